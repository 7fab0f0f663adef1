#pragma once
// The small window shown while the radio is read or written: a bar of 32 segments, the bytes
// moved of the total and the time left. It sits centred over the main window, which stays
// disabled until the run ends, and it cannot be closed: a run cannot be stopped half way.
#include <QFrame>
#include <QWidget>

#include "comm/indCloneMan.h"

class QLabel;

// The bar: 32 segments in a box of 256 by 16 pixels, each with a last pixel column in the
// window colour that separates it from the next.
class ProgressBox : public QFrame {
    Q_OBJECT
  public:
    explicit ProgressBox(QWidget* parent);
    void SetFilled(int filled);
    int Filled() const { return filled_; }
    // How much of the run is done, 0 to 100.
    int Percent() const { return filled_ * 100 / indCloneMan::kSegments; }
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 16;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int filled_ = 0;
};

class ProgressWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget* owner);
    void SetProgress(int filled, const std::string& line);
    ProgressBox* Box() const { return box_; }
    QString Line() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    ProgressBox* box_;
    QLabel* line_;
};

// The window's side of the clone manager: disables the main window for every run and shows
// the progress window for reads and writes.
class CloneProgressView : public CloneManView {
  public:
    CloneProgressView(QWidget* mainWindow, indCloneMan& manager)
        : main_(mainWindow), manager_(manager) {}
    ~CloneProgressView() override;
    void RunStarted(CloneOperation operation, bool showProgress) override;
    void ProgressChanged(int filled) override;
    void RunEnded() override;
    ProgressWindow* Window() const { return window_; }
    // Segments the bar showed last (32 when a run ended with all its data moved).
    int LastFilled() const { return lastFilled_; }

  private:
    QWidget* main_;
    int lastFilled_ = 0;
    indCloneMan& manager_;
    ProgressWindow* window_ = nullptr;
};
