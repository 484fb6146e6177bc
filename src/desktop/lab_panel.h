// The laboratory's controls, in a panel of their own beside the drawing, shown while the
// laboratory is the scene: the gain on a logarithmic slider with its value, the set point's
// shape, amplitude and frequency, the amplifier's saturation and the motor's dead zone,
// « Lancer », and the commentary page. A change made during a run applies from that instant.
// Each control takes the range that --set accepts, and has the setting's description as its
// tooltip (model/settings.h).
#pragma once

#include <QDockWidget>

class Ttable;
class Player;
class QSlider;
class QDoubleSpinBox;
class QComboBox;
class QCheckBox;

class LabPanel : public QDockWidget {
    Q_OBJECT
  public:
    LabPanel(Ttable& form, Player& player, QWidget* parent);

    // Shows the inputs in force.
    void Refresh();

  private:
    void Edited();

    Ttable& form_;
    Player& player_;
    bool refreshing_ = false;
    QSlider* gainSlider_;
    QDoubleSpinBox* gain_;
    QComboBox* shape_;
    QDoubleSpinBox* amplitude_;
    QDoubleSpinBox* frequency_;
    QCheckBox* saturation_;
    QDoubleSpinBox* usat_;
    QCheckBox* deadZone_;
    QDoubleSpinBox* u0_;
};
