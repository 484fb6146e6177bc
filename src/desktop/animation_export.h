// « Enregistrer l'animation… »: the lesson on screen, from its first frame to its last, recorded
// as an animated GIF by a second window that is never shown, on a state of its own: the one the
// lesson on screen started from (the trapezoid's memory included). It records a few frames at a
// time between the events of the window on screen, which stays usable; a progress dialog offers to
// cancel, and a cancelled or failed recording leaves no file.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "engine/session.h"
#include "gif/gif_recorder.h"
#include "output/output.h"

class Ttable;
class QProgressDialog;
class QWidget;

class AnimationExport : public QObject {
    Q_OBJECT
  public:
    // `start` is the state the lesson started from, `changes` holds the laboratory's changes to
    // replay, `frames` is the lesson's number of frames and `periodMs` each frame's duration.
    AnimationExport(const State& start, const model::Experiment& changes, int frames, int periodMs,
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
    bool Step(std::string& error);  // one frame
    void Continue();
    void End(bool ok, const QString& message);

    Session session_;  // the hidden window's own
    std::unique_ptr<Ttable> window_;
    int frames_;
    int periodMs_;
    int done_ = 0;
    Output out_;
    GifRecorder recorder_;
    QTimer timer_;
    QPointer<QProgressDialog> progress_;
    QPointer<QWidget> dialogParent_;
};
