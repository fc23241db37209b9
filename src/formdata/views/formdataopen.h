#pragma once

#include "formdata/formdataopenmodel.h"

#include <QDialog>

class QListWidget;

// Chooses a data set of another screen: the screens with saved data on the left, the data
// names of the chosen screen on the right. Its place and size live in Calverdine.ini,
// section "DataOpenForm".
class TFormDataOpen final : public QDialog {
    Q_OBJECT
public:
    explicit TFormDataOpen(const QString& currentScreenId, QWidget* parent = nullptr);
    ~TFormDataOpen() override;

    const TFormDataOpenModel& choice() const { return m_model; }

    void accept() override;

private:
    void handleScreenChanged(int row);

    TFormDataOpenModel m_model;
    QListWidget* m_screens = nullptr;
    QListWidget* m_names = nullptr;
};
