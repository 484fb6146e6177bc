// « Enregistrer l'animation… »: the lesson on screen, from its first frame to its last, recorded
// as an animated GIF by a second window that is never shown, started from what the lesson on
// screen started from (the trapezoid's memory included). It records a few frames at a time
// between the events of the window on screen, which stays usable; a progress dialog offers to
// cancel, and a cancelled or failed recording leaves no file.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "app/gif_recorder.h"
#include "app/output.h"
#include "engine/globals.h"
#include "engine/scene_memory.h"

class Ttable;
class QProgressDialog;
class QWidget;

class AnimationExport : public QObject {
    Q_OBJECT
  public:
    // `item` is the lesson's menu item, `frames` its number of frames, `periodMs` each frame's
    // duration.
    AnimationExport(const SceneMemory& start, int item, int frames, int periodMs,
                    QWidget* dialogParent);
    ~AnimationExport() override;

    // Opens the file (by the safe output routine) and starts recording.
    bool Start(const QString& fileName, QString& error);
    void Cancel();
    bool Running() const { return timer_.isActive(); }
    // Records everything at once (for scripts and tests).
    bool RunToEnd(QString& error);

  signals:
    void Finished(bool ok, const QString& message);

  private:
    bool Step(QString& error);  // one frame
    void Continue();
    void End(bool ok, const QString& message);

    ProgramGlobals globals_;  // the hidden window's program state, swapped in around its ticks
    std::unique_ptr<Ttable> window_;
    SceneMemory start_;
    int frames_;
    int periodMs_;
    int done_ = 0;
    Output out_;
    GifRecorder recorder_;
    QTimer timer_;
    QPointer<QProgressDialog> progress_;
    QPointer<QWidget> dialogParent_;
};
