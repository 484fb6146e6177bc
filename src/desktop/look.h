// The fixed look of the application: one widget style and one palette, whatever the desktop.
#pragma once

class QApplication;

void ConfigureApplicationLook(QApplication& app);
