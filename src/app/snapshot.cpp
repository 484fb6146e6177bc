#include "app/snapshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <cstdio>

#include "app/commentary.h"
#include "app/gif_recorder.h"
#include "app/table.h"
#include "engine/globals.h"

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

Output& ScriptOutputs::Of(std::string CommandLine::*file) {
    std::size_t i = 0;
    while (kOutputOptions[i].file != file)
        ++i;
    return files[i];
}

int OpenScriptOutputs(const CommandLine& cl, ScriptOutputs& outputs, std::string& error) {
    const std::size_t n = std::size(kOutputOptions);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& name = cl.*kOutputOptions[i].file;
        if (!name.empty() && !outputs.files[i].Locate(name, error)) return kExitOutput;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (outputs.files[i].SameFileAs(outputs.files[j])) {
                error = std::string(kOutputOptions[j].option) + " et " + kOutputOptions[i].option +
                        " désignent le même fichier « " + QuotedName(outputs.files[i].name()) +
                        " »";
                return kExitUsage;
            }
    for (Output& out : outputs.files)
        if (out.IsLocated() && !out.Create(error)) return kExitOutput;
    return 0;
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

    Output& recordingFile = outputs.Of(&CommandLine::recordFile);
    GifRecorder recorder;
    bool recording = recordingFile.IsOpen();
    if (recording &&
        !recorder.Open(recordingFile, QSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight), error)) {
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

    if (recordingFile.IsOpen()) {
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
    // The picture and the data at the end (the laboratory's run is there: the options asked
    // for it).
    std::string problem;
    auto end = [&](std::string CommandLine::*file, const auto& bytes) {
        Output& out = outputs.Of(file);
        return !out.IsOpen() || (out.Write(bytes(), problem) && out.Commit(problem));
    };
    if (!end(&CommandLine::snapshotFile,
             [&] { return EncodePng(form.ClientPicture()).toStdString(); }) ||
        !end(&CommandLine::csvFile, [] { return Lab.Csv(); })) {
        Complain(QString::fromStdString(problem));
        return kExitOutput;
    }
    return 0;
}
