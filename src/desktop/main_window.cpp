#include "desktop/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>

#include "desktop/animation_export.h"
#include "desktop/lab_panel.h"
#include "desktop/qt_glue.h"
#include "desktop/snapshot.h"
#include "desktop/table.h"
#include "desktop/zoom_view.h"
#include "model/conclusion.h"

namespace {

// What is remembered between runs.
const QString kSpeed = QStringLiteral("vitesse");
const QString kZoom = QStringLiteral("zoom");
const QString kFullScreen = QStringLiteral("pleinEcran");
const QString kFolder = QStringLiteral("dossier");

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), form_(new Ttable) {
    setWindowTitle(QStringLiteral("Table traçante"));
    setWindowIcon(form_->windowIcon());
    view_ = new ZoomView(form_, this);
    setCentralWidget(view_);
    player_ = new Player(*form_);
    // The status follows every tick, wherever it comes from.
    connect(player_, &Player::Changed, this, &MainWindow::UpdateStatus);

    sceneLabel_ = new QLabel(this);
    frameLabel_ = new QLabel(this);
    periodLabel_ = new QLabel(this);
    pauseLabel_ = new QLabel(this);
    statusBar()->addWidget(sceneLabel_, 1);
    for (QLabel* l : {frameLabel_, periodLabel_, pauseLabel_})
        statusBar()->addPermanentWidget(l);
    labPanel_ = new LabPanel(*form_, *player_, this);
    addDockWidget(Qt::RightDockWidgetArea, labPanel_);
    labPanel_->hide();
    CreateMenus();

    // The settings file is checked as it is read: a value that is not one the window could have
    // written (a hand edit, a damaged file) gives the default, which is written back.
    QSettings settings;
    auto read = [&settings](const QString& key, const QVariant& fallback, auto valid) {
        const QVariant value = settings.value(key, fallback);
        if (valid(value)) return value;
        settings.setValue(key, fallback);
        return fallback;
    };
    const QScrollBar* speed = form_->ScrollBar1;
    form_->ScrollBar1->setValue(read(kSpeed, speed->value(), [speed](const QVariant& v) {
                                    bool ok = false;
                                    const int n = v.toInt(&ok);
                                    return ok && n >= speed->minimum() && n <= speed->maximum();
                                }).toInt());
    view_->SetZoom(read(kZoom, 1.0, [](const QVariant& v) {
                       bool ok = false;
                       const double zoom = v.toDouble(&ok);
                       return ok && zoom >= ZoomView::kMinZoom && zoom <= ZoomView::kMaxZoom;
                   }).toDouble());
    connect(form_->ScrollBar1, &QScrollBar::valueChanged, this, [this](int value) {
        QSettings().setValue(kSpeed, value);
        UpdateStatus();
    });
    connect(view_, &ZoomView::ZoomChanged, this, [this](double zoom) {
        QSettings().setValue(kZoom, zoom);
        player_->Redraw();  // the texts drawn again at the new size
    });
    if (read(kFullScreen, false, [](const QVariant& v) {
            return v.toString() == QLatin1String("true") || v.toString() == QLatin1String("false");
        }).toBool())
        setWindowState(Qt::WindowFullScreen);
    UpdateStatus();
}

MainWindow::~MainWindow() {
    delete export_;
}

QAction* MainWindow::Add(QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                         void (MainWindow::*slot)()) {
    QAction* action = menu->addAction(text);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);  // its keys work in full screen too
    if (slot != nullptr) connect(action, &QAction::triggered, this, slot);
    actions_ << action;
    return action;
}

void MainWindow::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    Add(file, QStringLiteral("&Enregistrer l'image…"), {QKeySequence::Save},
        &MainWindow::SaveImageAsked);
    Add(file, QStringLiteral("&Copier l'image"), {QKeySequence::Copy}, &MainWindow::CopyPicture);
    exportAction_ =
        Add(file, QStringLiteral("Enregistrer l'&animation…"), {}, &MainWindow::ExportAsked);
    dataAction_ = Add(file, QStringLiteral("E&xporter les données…"), {}, &MainWindow::DataAsked);
    resultsAction_ =
        Add(file, QStringLiteral("Exporter les &résultats…"), {}, &MainWindow::ResultsAsked);
    file->addSeparator();
    connect(Add(file, QStringLiteral("&Quitter"), {QKeySequence::Quit}, nullptr),
            &QAction::triggered, this, &MainWindow::close);

    Player* p = player_;
    QMenu* play = menuBar()->addMenu(QStringLiteral("&Animation"));
    auto bind = [&](QAction* action, auto f) { connect(action, &QAction::triggered, p, f); };
    auto add = [&](const QString& text, const QList<QKeySequence>& keys, auto f) {
        QAction* action = Add(play, text, keys, nullptr);
        bind(action, f);
    };
    add(QStringLiteral("&Pause / Reprendre"), {Qt::Key_Space}, [p] { p->TogglePause(); });
    add(QStringLiteral("Image &suivante"), {Qt::Key_Right}, [p] { p->StepForward(); });
    add(QStringLiteral("Image &précédente"), {Qt::Key_Left}, [p] { p->StepBack(); });
    add(QStringLiteral("&Début"), {Qt::Key_Home}, [p] { p->GoToStart(); });
    add(QStringLiteral("&Fin"), {Qt::Key_End}, [p] { p->GoToEnd(); });
    add(QStringLiteral("&Recommencer"), {Qt::Key_F5}, [p] { p->Restart(); });
    add(QStringLiteral("Plus &vite"), {Qt::Key_Plus, Qt::KeypadModifier | Qt::Key_Plus},
        [p] { p->Faster(); });
    add(QStringLiteral("Plus &lent"), {Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus},
        [p] { p->Slower(); });
    QMenu* scenes = play->addMenu(QStringLiteral("&Choisir la scène"));
    for (int item = 0; item <= 7; ++item) {
        const auto key = Qt::Key(Qt::Key_0 + item);
        QAction* a = Add(scenes, QStringLiteral("%1 · %2").arg(item).arg(FromUtf8(SceneName(item))),
                         {QKeySequence(key), QKeyCombination(Qt::KeypadModifier, key)}, nullptr);
        bind(a, [p, item] { p->Choose(item); });
    }

    QMenu* show = menuBar()->addMenu(QStringLiteral("A&ffichage"));
    QAction* full = Add(show, QStringLiteral("&Plein écran"), {Qt::Key_F11}, nullptr);
    full->setCheckable(true);
    connect(full, &QAction::triggered, this, &MainWindow::SetFullScreen);
    ZoomView* v = view_;
    connect(Add(show, QStringLiteral("Zoom &avant"),
                {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal}, nullptr),
            &QAction::triggered, v, &ZoomView::ZoomIn);
    connect(Add(show, QStringLiteral("Zoom a&rrière"), {QKeySequence::ZoomOut}, nullptr),
            &QAction::triggered, v, &ZoomView::ZoomOut);
    connect(Add(show, QStringLiteral("&Taille réelle"), {Qt::CTRL | Qt::Key_0}, nullptr),
            &QAction::triggered, v, [v] { v->SetZoom(1.0); });
    Add(show, QStringLiteral("A&juster à l'écran"), {}, &MainWindow::FitToScreen);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Ai&de"));
    Add(help, QStringLiteral("&Raccourcis clavier"), {QKeySequence::HelpContents},
        &MainWindow::ShowShortcuts);
    Add(help, QStringLiteral("À &propos"), {}, &MainWindow::ShowAbout);
}

QAction* MainWindow::ActionNamed(const QString& text) const {
    for (QAction* a : actions_)
        if (Plain(a->text()) == text) return a;
    return nullptr;
}

QList<std::pair<QString, QString>> MainWindow::Shortcuts() const {
    QList<std::pair<QString, QString>> list;
    for (QAction* a : actions_) {
        if (a->shortcut().isEmpty()) continue;
        list.append({Plain(a->text()), a->shortcut().toString(QKeySequence::NativeText)});
    }
    return list;
}

void MainWindow::UpdateStatus() {
    const ScenePosition at = player_->Position();
    sceneLabel_->setText(FromUtf8(SceneName(at.item)));
    frameLabel_->setText(
        at.frames > 0 ? QStringLiteral("image %1 / %2").arg(at.frame).arg(at.frames) : QString());
    periodLabel_->setText(QStringLiteral("%1 ms").arg(form_->state().ScrollBar1.Position));
    pauseLabel_->setText(player_->Paused() ? QStringLiteral("en pause") : QString());
    exportAction_->setEnabled(at.frames > 0 && player_->LessonStart().has_value());
    dataAction_->setEnabled(form_->state().Lab.Running());
    resultsAction_->setEnabled(form_->state().Lab.Running());
    labPanel_->setVisible(at.item == 7);
    if (at.item == 7) labPanel_->Refresh();
}

QString MainWindow::StatusText() const {
    QStringList parts;
    for (const QLabel* l : {sceneLabel_, frameLabel_, periodLabel_, pauseLabel_})
        if (!l->text().isEmpty()) parts << l->text();
    return parts.join(QStringLiteral(" · "));
}

// A file of the window's own, by the safe output routine (the name as the file system's bytes).
bool MainWindow::Save(const QString& fileName, const QByteArray& bytes, QString& error) {
    std::string problem;
    const bool ok =
        WriteOutput(QFile::encodeName(fileName).toStdString(),
                    std::string_view(bytes.constData(), std::size_t(bytes.size())), problem, false);
    error = QString::fromStdString(problem);
    return ok;
}

bool MainWindow::SavePicture(const QString& fileName, QString& error) {
    return Save(fileName, EncodePng(form_->ClientPicture()), error);
}

void MainWindow::CopyPicture() {
    QGuiApplication::clipboard()->setImage(form_->ClientPicture());
    statusBar()->showMessage(QStringLiteral("Image copiée dans le presse-papiers"), 3000);
}

AnimationExport* MainWindow::ExportAnimation(const QString& fileName, QString& error) {
    const ScenePosition at = player_->Position();
    if (at.frames == 0 || !player_->LessonStart()) {
        error = QStringLiteral("aucune leçon n'est choisie");
        return nullptr;
    }
    delete export_;
    export_ = new AnimationExport(*player_->LessonStart(), form_->state().Lab, at.frames,
                                  form_->state().ScrollBar1.Position, this);
    export_->setParent(this);
    connect(export_, &AnimationExport::Finished, this, &MainWindow::Report);
    if (!export_->Start(fileName, error)) {
        delete export_;
        return nullptr;
    }
    return export_;
}

QString MainWindow::AskFile(const QString& title, const QString& name, const QString& filter) {
    QSettings settings;
    const QString folder = settings.value(kFolder, QDir::homePath()).toString();
    const QString file =
        QFileDialog::getSaveFileName(this, title, QDir(folder).filePath(name), filter);
    if (!file.isEmpty()) settings.setValue(kFolder, QFileInfo(file).absolutePath());
    return file;
}

void MainWindow::Report(bool ok, const QString& message) {
    if (ok) {
        statusBar()->showMessage(QStringLiteral("Enregistré : %1").arg(message), 5000);
    } else if (!message.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Table traçante"), message);
    }
}

void MainWindow::SaveAsked(const QString& title, const QString& name, const QString& filter,
                           bool (MainWindow::*save)(const QString&, QString&)) {
    const QString file = AskFile(title, name, filter);
    QString error;
    if (!file.isEmpty()) Report((this->*save)(file, error), error.isEmpty() ? file : error);
}

void MainWindow::SaveImageAsked() {
    SaveAsked(QStringLiteral("Enregistrer l'image"), QStringLiteral("table-tracante.png"),
              QStringLiteral("Images PNG (*.png)"), &MainWindow::SavePicture);
}

void MainWindow::ExportAsked() {
    const QString file =
        AskFile(QStringLiteral("Enregistrer l'animation"), QStringLiteral("table-tracante.gif"),
                QStringLiteral("Animations GIF (*.gif)"));
    QString error;
    if (!file.isEmpty() && ExportAnimation(file, error) == nullptr) Report(false, error);
}

bool MainWindow::SaveData(const QString& fileName, QString& error) {
    const model::Experiment& lab = form_->state().Lab;
    if (!lab.Running()) {
        error = QStringLiteral("aucune expérience du laboratoire n'a été lancée");
        return false;
    }
    return Save(fileName, QByteArray::fromStdString(lab.Csv()), error);
}

void MainWindow::DataAsked() {
    SaveAsked(QStringLiteral("Exporter les données"), QStringLiteral("laboratoire.csv"),
              QStringLiteral("Données CSV (*.csv)"), &MainWindow::SaveData);
}

bool MainWindow::SaveResults(const QString& fileName, QString& error) {
    const model::Experiment& lab = form_->state().Lab;
    if (!lab.Running()) {
        error = QStringLiteral("aucune expérience du laboratoire n'a été lancée");
        return false;
    }
    return Save(fileName, QByteArray::fromStdString(model::ResultsJson(lab)), error);
}

void MainWindow::ResultsAsked() {
    SaveAsked(QStringLiteral("Exporter les résultats"), QStringLiteral("laboratoire.json"),
              QStringLiteral("Résultats JSON (*.json)"), &MainWindow::SaveResults);
}

void MainWindow::SetFullScreen(bool on) {
    setWindowState(on ? (windowState() | Qt::WindowFullScreen)
                      : (windowState() & ~Qt::WindowFullScreen));
    QSettings().setValue(kFullScreen, on);
    if (QAction* a = ActionNamed(QStringLiteral("Plein écran"))) a->setChecked(on);
}

void MainWindow::FitToScreen() {
    // The room the view gets once this window fills the screen (its menus and status bar, and in
    // a window its frame, taken away).
    QSize area = view_->maximumViewportSize();
    if (QScreen* screen = this->screen()) {
        const QSize available = isFullScreen() ? screen->size() : screen->availableSize();
        const QSize frame = isFullScreen() ? QSize() : frameGeometry().size() - size();
        area = available - (size() - view_->size()) - frame;
    }
    view_->SetZoom(view_->FitZoom(area));
}

void MainWindow::ShowShortcuts() {
    QString rows;
    for (const auto& [what, keys] : Shortcuts())
        rows +=
            QStringLiteral("<tr><td>%1</td><td>&nbsp;&nbsp;<b>%2</b></td></tr>").arg(what, keys);
    QMessageBox::information(this, QStringLiteral("Raccourcis clavier"),
                             QStringLiteral("<table>%1</table>").arg(rows));
}

void MainWindow::ShowAbout() {
    QMessageBox::about(
        this, QStringLiteral("À propos de Table traçante"),
        QStringLiteral("<p><b>Table traçante</b>, version %1</p>"
                       "<p>Asservissement de position d'une table traçante : animation "
                       "pédagogique.</p><p>Licence MIT. Ce programme est fourni tel quel, sans "
                       "aucune garantie.</p>")
            .arg(QCoreApplication::applicationVersion()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    delete export_;
    QMainWindow::closeEvent(event);
}
