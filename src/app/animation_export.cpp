#include "app/animation_export.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>

#include "app/table.h"

namespace {

// Runs `f` with the hidden window's globals in place of the shown window's.
template <typename F>
void WithGlobals(ProgramGlobals& globals, F f) {
    SwapProgramGlobals(globals);
    f();
    SwapProgramGlobals(globals);
}

}  // namespace

AnimationExport::AnimationExport(const SceneMemory& start, int item, int frames, int periodMs,
                                 QWidget* dialogParent)
    : start_(start), frames_(frames), periodMs_(periodMs), dialogParent_(dialogParent) {
    // Built, laid out and set up without letting any event through: the window on screen must not
    // run a handler while the globals are this window's. The laboratory's run is replayed with
    // the changes the pupil made during it.
    const auto changes = Lab.Changes();
    WithGlobals(globals_, [&] {
        window_ = std::make_unique<Ttable>();
        window_->Timer1->SetEnabled(false);
        window_->SetQuietErrors(true);
        window_->setAttribute(Qt::WA_DontShowOnScreen);
        window_->resize(Ttable::kLayoutWidth, Ttable::kLayoutHeight);
        window_->show();
        if (item < window_->ListBox1->count())
            window_->ListBox1->setCurrentRow(item, QItemSelectionModel::ClearAndSelect);
        window_->ScrollBar1->setValue(periodMs);
        window_->RichEdit1->setVisible(false);
        window_->RichEdit2->setVisible(false);
        RestoreScene(*window_, start_);
        Lab.SetChanges(changes);
        B1 = B2 = B3 = B4 = nullptr;  // the shown window's buttons are not this window's
    });
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &AnimationExport::Continue);
}

AnimationExport::~AnimationExport() {
    timer_.stop();
    if (progress_) progress_->deleteLater();
    WithGlobals(globals_, [&] { window_.reset(); });
}

bool AnimationExport::Start(const QString& fileName, QString& error) {
    std::string problem;
    if (!out_.Open(QFile::encodeName(fileName).toStdString(), problem, false)) {
        error = QString::fromStdString(problem);
        return false;
    }
    if (!recorder_.Open(out_, QSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight), error))
        return false;
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

bool AnimationExport::Step(QString& error) {
    QImage picture;
    WithGlobals(globals_, [&] {
        window_->Timer1Timer(window_->Timer1);
        picture = window_->ClientPicture();
    });
    ++done_;
    return recorder_.AddFrame(picture, periodMs_, error);
}

void AnimationExport::Continue() {
    // A few frames, then back to the window on screen.
    QElapsedTimer slice;
    slice.start();
    QString error;
    while (done_ < frames_ && slice.elapsed() < 30) {
        if (!Step(error)) return End(false, error);
    }
    if (progress_) progress_->setValue(done_);
    if (done_ < frames_) return;
    if (!recorder_.Finish(error)) return End(false, error);
    End(true, QFile::decodeName(out_.name().c_str()));
}

bool AnimationExport::RunToEnd(QString& error) {
    while (done_ < frames_)
        if (!Step(error)) return false;
    return recorder_.Finish(error);
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
