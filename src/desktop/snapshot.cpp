#include "desktop/snapshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <cstdio>

#include "desktop/gif_recorder.h"
#include "desktop/table.h"
#include "engine/commentary.h"
#include "model/conclusion.h"

namespace {

void Complain(const QString& message) {
    std::fprintf(stderr, "table-tracante: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

void PrepareForScript(Ttable& form) {
    form.SetLive(false);
    form.SetQuietErrors(true);
    form.resize(Ttable::kLayoutWidth, Ttable::kLayoutHeight);
    form.show();
    QCoreApplication::processEvents();
}

void ApplyAction(Ttable& form, const ScriptAction& action, const std::function<void()>& afterTick) {
    switch (action.kind) {
        case ScriptAction::Ticks:
            for (int i = 0; i < action.value; ++i) {
                form.Timer1Timer();
                QCoreApplication::processEvents();
                if (afterTick) afterTick();
            }
            break;
        case ScriptAction::Select:
            form.session().Choose(action.value);
            form.Refresh();
            QCoreApplication::processEvents();
            break;
        case ScriptAction::Set: {
            std::string error;
            form.session().Set(action.setting, error);
            break;
        }
        case ScriptAction::Comments:
            if (!form.Comments())
                Complain(QStringLiteral("--comments : aucun bouton de commentaire n'est affiché"));
            QCoreApplication::processEvents();
            break;
    }
}

bool OpenScriptOutputs(const CommandLine& cl, ScriptOutputs& outputs, QString& error) {
    return (cl.snapshotFile.empty() ||
            outputs.picture.Open(QString::fromLocal8Bit(cl.snapshotFile.c_str()), error)) &&
           (cl.recordFile.empty() ||
            outputs.recording.Open(QString::fromLocal8Bit(cl.recordFile.c_str()), error)) &&
           (cl.csvFile.empty() ||
            outputs.data.Open(QString::fromLocal8Bit(cl.csvFile.c_str()), error)) &&
           (cl.resultsFile.empty() ||
            outputs.results.Open(QString::fromLocal8Bit(cl.resultsFile.c_str()), error));
}

QByteArray EncodePng(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

int RunSnapshot(Ttable& form, const CommandLine& cl, ScriptOutputs& outputs) {
    QString error;
    PrepareForScript(form);

    GifRecorder recorder;
    Session& session = form.session();
    bool recording = outputs.recording.IsOpen();
    if (recording && !recorder.Open(outputs.recording,
                                    QSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight), error)) {
        Complain(error);
        return kExitOutput;
    }
    // Each tick's picture lasts the period the timer now has, until the next tick.
    auto recordTick = [&] {
        if (recording &&
            !recorder.AddFrame(form.ClientPicture(), session.s.Timer1.Interval, error)) {
            recording = false;
        }
    };
    for (const ScriptAction& action : cl.actions)
        ApplyAction(form, action, recordTick);

    if (outputs.recording.IsOpen()) {
        if (!recording) {
            Complain(error);
            return kExitOutput;
        }
        // What the last actions did after the last tick (a click) ends the recording.
        const QImage last = form.ClientPicture();
        if (recorder.FramesWritten() == 0 || last != recorder.LastPicture()) {
            if (!recorder.AddFrame(last, session.s.Timer1.Interval, error)) {
                Complain(error);
                return kExitOutput;
            }
        }
        if (!recorder.Finish(error)) {
            Complain(error);
            return kExitOutput;
        }
    }
    if (outputs.picture.IsOpen() &&
        !(outputs.picture.Write(EncodePng(form.ClientPicture()), error) &&
          outputs.picture.Commit(error))) {
        Complain(error);
        return kExitOutput;
    }
    if (outputs.data.IsOpen()) {
        if (!session.s.Lab.Running()) {
            outputs.data.Cancel();
            Complain(
                QStringLiteral("--csv : aucune expérience du laboratoire n'a été lancée "
                               "(--select 7)"));
            return kExitUsage;
        }
        if (!(outputs.data.Write(QByteArray::fromStdString(session.s.Lab.Csv()), error) &&
              outputs.data.Commit(error))) {
            Complain(error);
            return kExitOutput;
        }
    }
    if (outputs.results.IsOpen()) {
        if (!session.s.Lab.Running()) {
            outputs.results.Cancel();
            Complain(
                QStringLiteral("--results : aucune expérience du laboratoire n'a été lancée "
                               "(--select 7)"));
            return kExitUsage;
        }
        if (!(outputs.results.Write(QByteArray::fromStdString(model::ResultsJson(session.s.Lab)), error) &&
              outputs.results.Commit(error))) {
            Complain(error);
            return kExitOutput;
        }
    }
    return 0;
}
