#include "desktop/animation_export.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>

#include "desktop/qt_glue.h"
#include "desktop/table.h"

AnimationExport::AnimationExport(const State& start, const model::Experiment& changes, int frames,
                                 int periodMs, QWidget* dialogParent)
    : frames_(frames), periodMs_(periodMs), dialogParent_(dialogParent) {
    // The laboratory's run is replayed with the changes the pupil made during it.
    session_.s = start;
    session_.s.Lab.SetChanges(changes.Changes());
    session_.s.ScrollBar1.Position = periodMs;
    session_.s.RichEdit1.Visible = false;
    session_.s.RichEdit2.Visible = false;
    session_.s.Messages.clear();
    window_ = std::make_unique<Ttable>(session_);
    window_->SetLive(false);
    window_->SetQuietErrors(true);
    window_->setAttribute(Qt::WA_DontShowOnScreen);
    window_->resize(Ttable::kLayoutWidth, Ttable::kLayoutHeight);
    window_->show();
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &AnimationExport::Continue);
}

AnimationExport::~AnimationExport() {
    timer_.stop();
    if (progress_) progress_->deleteLater();
    window_.reset();
}

bool AnimationExport::Start(const QString& fileName, QString& error) {
    std::string problem;
    if (!out_.Open(QFile::encodeName(fileName).toStdString(), problem, false) ||
        !recorder_.Open(out_, Ttable::kLayoutWidth, Ttable::kLayoutHeight, problem)) {
        error = QString::fromStdString(problem);
        return false;
    }
    if (dialogParent_) {
        progress_ = new QProgressDialog(QStringLiteral("Enregistrement de l'animation…"),
                                        QStringLiteral("Annuler"), 0, frames_, dialogParent_);
        progress_->setWindowModality(Qt::NonModal);
        progress_->setMinimumDuration(0);
        connect(progress_, &QProgressDialog::canceled, this, &AnimationExport::Cancel);
        progress_->show();
    }
    timer_.start();
    return true;
}

bool AnimationExport::Step(std::string& error) {
    window_->Timer1Timer();
    const Picture picture = ToPicture(window_->ClientPicture());
    ++done_;
    return recorder_.AddFrame(picture, periodMs_, error);
}

void AnimationExport::Continue() {
    // A few frames, then back to the window on screen.
    QElapsedTimer slice;
    slice.start();
    std::string error;
    while (done_ < frames_ && slice.elapsed() < 30) {
        if (!Step(error)) return End(false, QString::fromStdString(error));
    }
    if (progress_) progress_->setValue(done_);
    if (done_ < frames_) return;
    if (!recorder_.Finish(error)) return End(false, QString::fromStdString(error));
    End(true, QFile::decodeName(out_.name().c_str()));
}

bool AnimationExport::RunToEnd(QString& error) {
    std::string problem;
    const bool ok = [&] {
        while (done_ < frames_)
            if (!Step(problem)) return false;
        return recorder_.Finish(problem);
    }();
    error = QString::fromStdString(problem);
    return ok;
}

void AnimationExport::Cancel() {
    if (!timer_.isActive()) return;
    End(false, QString());
}

void AnimationExport::End(bool ok, const QString& message) {
    timer_.stop();
    if (progress_) progress_->deleteLater();
    if (!ok) out_.Cancel();
    emit Finished(ok, message);
}
