#pragma once
// Help: the program's HTML pages in a window of our own (contents, back and forward, search
// over all pages) and small pop-ups with the topic of one cell. The help file is the overlay's
// "GI_Sys_MyHelpFile" beside the program; a context number finds its page through the help text
// store's list "GI_AppItem_ContextID_to_HelpPage".
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
#include <QTextBrowser>
#include <QUrl>
#include <QVariant>
class QToolButton;
class PopupCloser;
#include <memory>

// The most the help reads of one file (a page, a style sheet, a picture), as the other files
// the program reads are bounded.
inline constexpr qint64 kMaxHelpFileBytes = qint64{1} << 20;

// A browser that reads the help's files itself: a file beyond kMaxHelpFileBytes, or one that
// is no plain file, shows the help's "no help" text in place of a page (and nothing in place
// of a picture), so no file can stall the window or fill the memory.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
  public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override;
};

// The help window: one page at a time with its history.
class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(const QString& contentsFile, QWidget* parent = nullptr);
    void ShowPage(const QString& file);
    // Lists every page whose text holds all the words, as links.
    void Search(const QString& words);
    QTextBrowser* Browser() const { return browser_; }
    QLineEdit* SearchBox() const { return search_; }
    QToolButton* BackButton() const { return back_; }
    QToolButton* ForwardButton() const { return forward_; }

  private:
    QString contents_;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
};

class HelpViewer {
  public:
    // Results as the help calls give them.
    enum Result { kShown = 0, kNoHelpFile = 1, kNoTopic = 2 };

    explicit HelpViewer(QWidget* mainWindow);
    ~HelpViewer();

    // The contents page in the help window.
    int ShowContents();
    // The topic of a context number as a pop-up by the cursor; any earlier pop-up goes.
    int ShowPopup(int contextNumber, QPoint cursor);
    void CloseAll();

    // Full path of the contents page (the help file).
    QString HelpFile() const;
    // The page file of a context number; empty when the number is not listed.
    QString TopicFile(int contextNumber) const;
    HelpWindow* Window() const { return window_; }
    QTextBrowser* Popup() const { return popup_; }

  private:
    void Report(int result);

    QWidget* main_;
    QPointer<HelpWindow> window_;
    QPointer<QTextBrowser> popup_;
    std::unique_ptr<PopupCloser> closer_;
};
