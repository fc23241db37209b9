#pragma once

#include <QDialog>

class QCheckBox;
class TEngineProfile;

// The Internet options of the engine profile: clear its cache and its cookies.
class TFormInternetOptions final : public QDialog {
    Q_OBJECT
public:
    explicit TFormInternetOptions(TEngineProfile& profile, QWidget* parent = nullptr);

private:
    void apply();

    TEngineProfile& m_profile;
    QCheckBox* m_cache = nullptr;
    QCheckBox* m_cookies = nullptr;
};
