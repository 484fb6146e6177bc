#include "app/snapshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <cstdio>

#include "app/commentary.h"
#include "app/gif_recorder.h"
#include "app/table.h"
#include "engine/globals.h"
#include "model/conclusion.h"

namespace {

void Complain(const QString& message) {
    std::fprintf(stderr, "table-tracante: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

void PrepareForScript(Ttable& form) {
    form.Timer1->SetEnabled(false);
    form.SetQuietErrors(true);
    form.resize(Ttable::kLayoutWidth, Ttable::kLayoutHeight);
    form.show();
    QCoreApplication::processEvents();
}

void ApplyAction(Ttable& form, const ScriptAction& action, const std::function<void()>& afterTick) {
    switch (action.kind) {
        case ScriptAction::Ticks:
            for (int i = 0; i < action.value; ++i) {
                form.Timer1->Fire();
                QCoreApplication::processEvents();
                if (afterTick) afterTick();
            }
            break;
        case ScriptAction::Select:
            if (action.value == kLastMenuItem) {
                StartLaboratory(form);
            } else {
                form.ListBox1->setCurrentRow(action.value, QItemSelectionModel::ClearAndSelect);
                form.Button1->click();
            }
            QCoreApplication::processEvents();
            break;
        case ScriptAction::Set: {
            model::Inputs inputs = Lab.inputs();
            std::string error;
            if (ApplySetting(action.setting, inputs, error)) Lab.Change(inputs);
            break;
        }
        case ScriptAction::Comments: {
            TButton* shown = nullptr;
            for (TButton* b : {B1, B2, B3, B4}) {
                if (b != nullptr && b->isVisible() && b->isEnabled()) shown = b;
            }
            if (shown != nullptr) {
                shown->click();
                QCoreApplication::processEvents();
            } else if (Phase > 1200 && Phase <= 1360) {  // the laboratory: its own page
                form.RichEdit2->setVisible(true);
                LoadCommentary(form, form.RichEdit2, QStringLiteral("komm6.rtf"));
                QCoreApplication::processEvents();
            } else {
                Complain(QStringLiteral("--comments : aucun bouton de commentaire n'est affiché"));
            }
            break;
        }
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
    bool recording = outputs.recording.IsOpen();
    if (recording && !recorder.Open(outputs.recording,
                                    QSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight), error)) {
        Complain(error);
        return kExitOutput;
    }
    // Each tick's picture lasts the period the timer now has, until the next tick.
    auto recordTick = [&] {
        if (recording && !recorder.AddFrame(form.ClientPicture(), form.Timer1->Interval(), error)) {
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
            if (!recorder.AddFrame(last, form.Timer1->Interval(), error)) {
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
        if (!Lab.Running()) {
            outputs.data.Cancel();
            Complain(
                QStringLiteral("--csv : aucune expérience du laboratoire n'a été lancée "
                               "(--select 7)"));
            return kExitUsage;
        }
        if (!(outputs.data.Write(QByteArray::fromStdString(Lab.Csv()), error) &&
              outputs.data.Commit(error))) {
            Complain(error);
            return kExitOutput;
        }
    }
    if (outputs.results.IsOpen()) {
        if (!Lab.Running()) {
            outputs.results.Cancel();
            Complain(
                QStringLiteral("--results : aucune expérience du laboratoire n'a été lancée "
                               "(--select 7)"));
            return kExitUsage;
        }
        if (!(outputs.results.Write(QByteArray::fromStdString(model::ResultsJson(Lab)), error) &&
              outputs.results.Commit(error))) {
            Complain(error);
            return kExitOutput;
        }
    }
    return 0;
}
