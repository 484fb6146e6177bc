// The program's window as Qt widgets: every control of the layout, placed and dressed from the
// core's state, the scene surface FOND and the window's own canvas painted from the core's
// pictures, and the timer. What the user does reaches the core's handlers; after each, the widgets
// are brought in line with the state and what the handler drew is repainted.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "desktop/controls.h"
#include "engine/session.h"

class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTextEdit;

class Ttable : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLayoutWidth = State::kWidth;
    static constexpr int kLayoutHeight = State::kHeight;

    // A window over a session of its own, or over `session` (which must outlive it).
    explicit Ttable(QWidget* parent = nullptr);
    explicit Ttable(Session& session, QWidget* parent = nullptr);
    ~Ttable() override;

    Session& session() { return *session_; }
    State& state() { return session_->s; }

    // The widgets, named as the controls they show.
    PictureWidget* FOND = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QTextEdit* RichEdit2 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QLabel* Label6 = nullptr;
    // The comment buttons, made when a lesson first creates them.
    std::array<QPushButton*, 4> B{};

    // The timer's expiry, the start button's click, a click on the comment button that is
    // showing (or the laboratory's page): the core's handler, then the window shown as it is.
    void Timer1Timer();
    void Button1Click();
    bool Comments();

    // Brings the widgets and the screen in line with the state, after a change made elsewhere
    // (the player, a script, the laboratory's panel).
    void Refresh();

    // Whether the timer runs by itself (a window on screen) or only when told (a script).
    void SetLive(bool live);

    // A picture of the client area from (0, 0) to the layout's size, controls included.
    QImage ClientPicture();

    // Keeps the two pictures ready to be shown at a zoom as well (see zoom_twin.h).
    void SetZoom(double zoom);

    // When true, messages are written to stderr instead of being shown in a message box.
    void SetQuietErrors(bool quiet) { quietErrors_ = quiet; }
    bool QuietErrors() const { return quietErrors_; }

  signals:
    // After every tick, wherever it comes from.
    void Ticked();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void CreateControls();
    void SyncControls();
    void ShowDrawing();
    void ShowMessages();
    void FollowTimer();

    std::unique_ptr<Session> own_;
    Session* session_;
    QTimer timer_;
    bool live_ = true;
    bool quietErrors_ = false;
    bool syncing_ = false;
    int shownItem_ = -1;
    std::array<std::uint32_t, 2> shownPages_{};
    std::unique_ptr<ZoomTwin> twin_;  // of the window's canvas
};
