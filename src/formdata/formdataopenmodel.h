#pragma once

#include <QString>
#include <QStringList>

// The choice of a data set of another screen (the dialog TFormDataOpen): the screens that
// have a form data index, except the current one, and the data sets of the chosen screen.
class TFormDataOpenModel {
public:
    // folder: the form data folder (the current project's when empty).
    explicit TFormDataOpenModel(const QString& currentScreenId, const QString& folder = QString());

    // Screen IDs of every "*.ini" index of the folder, in directory order, without the
    // current screen.
    const QStringList& screenIds() const { return m_screenIds; }

    // Reads the chosen screen's data sets (names in index order).
    void chooseScreen(const QString& screenId);
    const QStringList& dataNames() const { return m_names; }
    // A data name was clicked (-1: none); the chosen data ID is its key, else 0.
    void chooseData(int row);

    const QString& chosenScreenId() const { return m_chosenScreenId; }
    int chosenDataId() const { return m_chosenDataId; }

    // The message that keeps the dialog open on OK, or an empty text when it may close.
    QString acceptMessage() const;

private:
    QString m_folder;
    QString m_currentScreenId;
    QStringList m_screenIds;
    QStringList m_keys;
    QStringList m_names;
    QString m_chosenScreenId;
    int m_chosenDataId = 0;
};
