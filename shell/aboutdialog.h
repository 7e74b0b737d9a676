#pragma once

#include <QDialog>

class QLabel;

// The About box: program name, rights holder, and links to the maker's support and home
// pages. Modeless and owned by the main window; "Close" destroys it.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* owner = nullptr);

    // Shows the owner's About box, creating it when none is open; an open one is only
    // brought forward.
    static AboutDialog* showFor(QWidget* owner);

    void openWebPage(const QString& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openSupportPage();
    void openWebsite();
    QLabel* addLabel(const char* name, const QString& text);

    QLabel* m_supportLink = nullptr;
    QLabel* m_websiteLink = nullptr;
};
