#include "desktop/lab_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "desktop/player.h"
#include "desktop/table.h"
#include "engine/commentary.h"
#include "model/settings.h"

namespace {

// The gain slider: 100 steps a decade.
double GainAt(int step) {
    return std::pow(10.0, step / 100.0);
}
int StepOf(double gain) {
    return static_cast<int>(std::lround(100 * std::log10(gain)));
}

// A setting's row of the table that --set, --help and the manual page read too.
const model::SettingInfo& Setting(const std::string& name) {
    const auto& table = model::SettingsTable();
    return *std::find_if(table.begin(), table.end(),
                         [&](const model::SettingInfo& row) { return row.name == name; });
}

QString Tip(const std::string& name) {
    return QString::fromStdString(Setting(name).Describe());
}

// A box over the setting's range, in its unit, with its description as tooltip.
QDoubleSpinBox* Box(const std::string& name, int decimals, double step) {
    const model::SettingInfo& row = Setting(name);
    auto* box = new QDoubleSpinBox;
    box->setRange(row.low, row.high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    if (!row.unit.empty()) box->setSuffix(QString::fromStdString(" " + row.unit));
    box->setToolTip(Tip(name));
    return box;
}

}  // namespace

LabPanel::LabPanel(Ttable& form, Player& player, QWidget* parent)
    : QDockWidget(QStringLiteral("Laboratoire"), parent), form_(form), player_(player) {
    setObjectName(QStringLiteral("laboratoire"));
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    auto* body = new QWidget(this);
    auto* form_layout = new QFormLayout(body);

    gainSlider_ = new QSlider(Qt::Horizontal);
    gainSlider_->setRange(StepOf(Setting("G").low), StepOf(Setting("G").high));
    gainSlider_->setToolTip(Tip("G"));
    gain_ = Box("G", 2, 0.1);
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(gainSlider_, 1);
    gainRow->addWidget(gain_);
    form_layout->addRow(QStringLiteral("Gain G"), gainRow);

    shape_ = new QComboBox;
    shape_->addItems({QStringLiteral("échelon"), QStringLiteral("rampe"), QStringLiteral("trapèze"),
                      QStringLiteral("sinus")});
    shape_->setToolTip(Tip("forme"));
    form_layout->addRow(QStringLiteral("Consigne"), shape_);
    amplitude_ = Box("amplitude", 2, 0.5);
    form_layout->addRow(QStringLiteral("Amplitude"), amplitude_);
    frequency_ = Box("fréquence", 2, 0.5);
    form_layout->addRow(QStringLiteral("Fréquence"), frequency_);
    saturation_ = new QCheckBox(QStringLiteral("Saturation ±Usat"));
    saturation_->setToolTip(Tip("Usat"));
    usat_ = Box("Usat", 1, 1);
    form_layout->addRow(saturation_, usat_);
    deadZone_ = new QCheckBox(QStringLiteral("Zone morte ±U0"));
    deadZone_->setToolTip(Tip("U0"));
    u0_ = Box("U0", 2, 0.1);
    form_layout->addRow(deadZone_, u0_);

    auto* launch = new QPushButton(QStringLiteral("Lancer"));
    auto* page = new QPushButton(QStringLiteral("Commentaire"));
    form_layout->addRow(launch);
    form_layout->addRow(page);
    setWidget(body);

    connect(gainSlider_, &QSlider::valueChanged, this, [this](int step) {
        if (!refreshing_) gain_->setValue(GainAt(step));
    });
    connect(gain_, &QDoubleSpinBox::valueChanged, this, [this](double g) {
        if (refreshing_) return;
        refreshing_ = true;
        gainSlider_->setValue(StepOf(g));
        refreshing_ = false;
        Edited();
    });
    for (QDoubleSpinBox* box : {amplitude_, frequency_, usat_, u0_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &LabPanel::Edited);
    for (QCheckBox* box : {saturation_, deadZone_})
        connect(box, &QCheckBox::toggled, this, &LabPanel::Edited);
    connect(shape_, &QComboBox::currentIndexChanged, this, &LabPanel::Edited);
    connect(launch, &QPushButton::clicked, this, [this] { player_.Choose(kLaboratory); });
    connect(page, &QPushButton::clicked, this, [this] {
        State& s = form_.state();
        s.RichEdit2.Visible = true;
        LoadCommentary(s, s.RichEdit2, SceneOf(kLaboratory)->page);
        form_.Refresh();
    });
    Refresh();
}

void LabPanel::Refresh() {
    const model::Inputs& in = form_.state().Lab.inputs();
    refreshing_ = true;
    gain_->setValue(in.settings.gain);
    gainSlider_->setValue(StepOf(in.settings.gain));
    shape_->setCurrentIndex(static_cast<int>(in.shape));
    amplitude_->setValue(in.amplitude);
    frequency_->setValue(in.frequency);
    frequency_->setEnabled(in.shape == model::Shape::Sine);
    saturation_->setChecked(in.settings.saturation);
    usat_->setValue(in.settings.usat);
    usat_->setEnabled(in.settings.saturation);
    deadZone_->setChecked(in.settings.deadZone);
    u0_->setValue(in.settings.u0);
    u0_->setEnabled(in.settings.deadZone);
    refreshing_ = false;
}

void LabPanel::Edited() {
    if (refreshing_) return;
    model::Inputs in;
    in.settings.gain = gain_->value();
    in.settings.saturation = saturation_->isChecked();
    in.settings.usat = usat_->value();
    in.settings.deadZone = deadZone_->isChecked();
    in.settings.u0 = u0_->value();
    in.shape = static_cast<model::Shape>(shape_->currentIndex());
    in.amplitude = amplitude_->value();
    in.frequency = frequency_->value();
    form_.state().Lab.Change(in);  // from this instant of the run, or the next run's own inputs
    Refresh();
}
