#include "desktop/lab_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "desktop/player.h"
#include "desktop/table.h"
#include "engine/commentary.h"

namespace {

// The gain slider: 0 to 400 steps over four decades, from 0.1 to 1000.
double GainAt(int step) {
    return std::pow(10.0, -1 + step / 100.0);
}
int StepOf(double gain) {
    return static_cast<int>(std::lround(100 * (std::log10(gain) + 1)));
}

QDoubleSpinBox* Box(double low, double high, int decimals, double step, const QString& unit) {
    auto* box = new QDoubleSpinBox;
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(unit);
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
    gainSlider_->setRange(0, 400);
    gain_ = Box(0.1, 1000, 2, 0.1, QString());
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(gainSlider_, 1);
    gainRow->addWidget(gain_);
    form_layout->addRow(QStringLiteral("Gain G"), gainRow);

    shape_ = new QComboBox;
    shape_->addItems({QStringLiteral("échelon"), QStringLiteral("rampe"), QStringLiteral("trapèze"),
                      QStringLiteral("sinus")});
    form_layout->addRow(QStringLiteral("Consigne"), shape_);
    amplitude_ = Box(-10, 10, 2, 0.5, QStringLiteral(" V"));
    form_layout->addRow(QStringLiteral("Amplitude"), amplitude_);
    frequency_ = Box(0.01, 100, 2, 0.5, QStringLiteral(" Hz"));
    form_layout->addRow(QStringLiteral("Fréquence"), frequency_);
    saturation_ = new QCheckBox(QStringLiteral("Saturation ±Usat"));
    usat_ = Box(0.5, 50, 1, 1, QStringLiteral(" V"));
    form_layout->addRow(saturation_, usat_);
    deadZone_ = new QCheckBox(QStringLiteral("Zone morte ±U0"));
    u0_ = Box(0.01, 10, 2, 0.1, QStringLiteral(" V"));
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
