// The window a teacher uses in class: the form of the scenes (unchanged, 793 x 553), with a menu
// bar above it and a status bar below it. Fichier saves or copies the picture and records the
// lesson as an animation; Animation pauses, steps and jumps in the lesson and chooses the scene;
// Affichage zooms for a projector and goes full screen; Aide lists the shortcuts. The speed, the
// zoom, full screen and the last folder used are remembered from one run to the next.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "desktop/player.h"

class Ttable;
class ZoomView;
class AnimationExport;
class QAction;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ttable& form() { return *form_; }
    Player& player() { return *player_; }
    ZoomView& view() { return *view_; }
    // The menu action with this text (without its "&"), for scripts and tests.
    QAction* ActionNamed(const QString& text) const;

    // The client area's picture into a PNG file, or on the clipboard.
    bool SavePicture(const QString& fileName, QString& error);
    void CopyPicture();
    // The laboratory's run as CSV.
    bool SaveData(const QString& fileName, QString& error);
    // The laboratory run's conclusion as JSON.
    bool SaveResults(const QString& fileName, QString& error);
    // The lesson on screen, from its first frame to its last, into a GIF, in the background.
    AnimationExport* ExportAnimation(const QString& fileName, QString& error);

    QString StatusText() const;
    // Full screen and the zoom that fits it, or back.
    void SetFullScreen(bool on);
    void FitToScreen();

    // The shortcuts, as the Aide menu lists them: (what, keys).
    QList<std::pair<QString, QString>> Shortcuts() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateMenus();
    void UpdateStatus();
    QAction* Add(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                 void (MainWindow::*slot)());
    QString AskFile(const QString& title, const QString& name, const QString& filter);
    // Asks for a file, then writes it with `save` and says how it went.
    void SaveAsked(const QString& title, const QString& name, const QString& filter,
                   bool (MainWindow::*save)(const QString&, QString&));
    void Report(bool ok, const QString& message);
    bool Save(const QString& fileName, const QByteArray& bytes, QString& error);

    // Menu slots.
    void SaveImageAsked();
    void ExportAsked();
    void DataAsked();
    void ResultsAsked();
    void ShowShortcuts();
    void ShowAbout();

    std::unique_ptr<Ttable> formOwner_;
    Ttable* form_;
    ZoomView* view_;
    Player* player_;
    QLabel* sceneLabel_;
    QLabel* frameLabel_;
    QLabel* periodLabel_;
    QLabel* pauseLabel_;
    QAction* exportAction_ = nullptr;
    QAction* dataAction_ = nullptr;
    QAction* resultsAction_ = nullptr;
    class LabPanel* labPanel_ = nullptr;
    QList<QAction*> actions_;
    QPointer<AnimationExport> export_;
};
