#include "desktop/snapshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <cstdio>

#include "desktop/qt_glue.h"
#include "desktop/table.h"
#include "engine/commentary.h"
#include "gif/gif_recorder.h"
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
    std::string error;
    PrepareForScript(form);

    Output& recordingFile = outputs.Of(&CommandLine::recordFile);
    GifRecorder recorder;
    Session& session = form.session();
    bool recording = recordingFile.IsOpen();
    if (recording &&
        !recorder.Open(recordingFile, Ttable::kLayoutWidth, Ttable::kLayoutHeight, error)) {
        Complain(QString::fromStdString(error));
        return kExitOutput;
    }
    // Each tick's picture lasts the period the timer now has, until the next tick.
    auto recordTick = [&] {
        if (recording &&
            !recorder.AddFrame(ToPicture(form.ClientPicture()), session.s.Timer1.Interval, error)) {
            recording = false;
        }
    };
    for (const ScriptAction& action : cl.actions)
        ApplyAction(form, action, recordTick);

    if (recordingFile.IsOpen()) {
        // What the last actions did after the last tick (a click) ends the recording.
        const Picture last = ToPicture(form.ClientPicture());
        if (!recording ||
            ((recorder.FramesWritten() == 0 || !(last == recorder.LastPicture())) &&
             !recorder.AddFrame(last, session.s.Timer1.Interval, error)) ||
            !recorder.Finish(error)) {
            Complain(QString::fromStdString(error));
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
        !end(&CommandLine::csvFile, [&] { return session.s.Lab.Csv(); }) ||
        !end(&CommandLine::resultsFile, [&] { return model::ResultsJson(session.s.Lab); })) {
        Complain(QString::fromStdString(problem));
        return kExitOutput;
    }
    return 0;
}
