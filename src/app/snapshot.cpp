#include "app/snapshot.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

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
            form.ListBox1->setCurrentRow(action.value, QItemSelectionModel::ClearAndSelect);
            form.Button1->click();
            QCoreApplication::processEvents();
            break;
        case ScriptAction::Comments: {
            TButton* shown = nullptr;
            for (TButton* b : {B1, B2, B3, B4}) {
                if (b != nullptr && b->isVisible() && b->isEnabled()) shown = b;
            }
            if (shown != nullptr) {
                shown->click();
                QCoreApplication::processEvents();
            } else {
                Complain(QStringLiteral("--comments : aucun bouton de commentaire n'est affiché"));
            }
            break;
        }
    }
}

bool CheckWritable(const QString& fileName, QString& error) {
    QSaveFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly)) {
        error =
            QStringLiteral("impossible d'écrire « %1 » : %2").arg(fileName, probe.errorString());
        return false;
    }
    probe.cancelWriting();
    return true;
}

bool WritePng(const QImage& picture, const QString& fileName, QString& error) {
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("impossible d'écrire « %1 » : %2").arg(fileName, out.errorString());
        return false;
    }
    if (!picture.save(&out, "PNG")) {
        out.cancelWriting();
        error =
            QStringLiteral("impossible d'écrire « %1 » : échec de l'encodage PNG").arg(fileName);
        return false;
    }
    if (!out.commit()) {
        error = QStringLiteral("impossible d'écrire « %1 » : %2").arg(fileName, out.errorString());
        return false;
    }
    return true;
}

int RunSnapshot(Ttable& form, const CommandLine& cl) {
    QString error;
    PrepareForScript(form);

    GifRecorder recorder;
    bool recording = !cl.recordFile.empty();
    if (recording && !recorder.Open(QString::fromLocal8Bit(cl.recordFile.c_str()),
                                    QSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight), error)) {
        Complain(error);
        return 2;
    }
    // Each tick's picture lasts the period the timer now has, until the next tick.
    auto recordTick = [&] {
        if (recording && !recorder.AddFrame(form.ClientPicture(), form.Timer1->Interval(), error)) {
            recording = false;
        }
    };
    for (const ScriptAction& action : cl.actions)
        ApplyAction(form, action, recordTick);

    if (!cl.recordFile.empty()) {
        if (!recording) {
            Complain(error);
            return 2;
        }
        // What the last actions did after the last tick (a click) ends the recording.
        const QImage last = form.ClientPicture();
        if (recorder.FramesWritten() == 0 || last != recorder.LastPicture()) {
            if (!recorder.AddFrame(last, form.Timer1->Interval(), error)) {
                Complain(error);
                return 2;
            }
        }
        if (!recorder.Finish(error)) {
            Complain(error);
            return 2;
        }
    }
    if (!cl.snapshotFile.empty() &&
        !WritePng(form.ClientPicture(), QString::fromLocal8Bit(cl.snapshotFile.c_str()), error)) {
        Complain(error);
        return 2;
    }
    return 0;
}
