#pragma once
#include "ui/win/cWindow.h"

// A strip-shaped child window that shows figures.
class cPanel : public cWindow {
public:
    ~cPanel() override = default;
};
