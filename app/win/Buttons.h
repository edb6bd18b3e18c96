#pragma once
#include "ui/win/cButton.h"

// The five commands of the main window. Each button's only own behaviour is its click.
class cBtnLaunch : public cButton {
public:
    cBtnLaunch() : cButton(142) {}
    void OnCreate() override;  // starts disabled
    void OnExecute() override;
};

class cBtnStart : public cButton {
public:
    cBtnStart() : cButton(146) {}
    void OnExecute() override;
};

class cBtnPause : public cButton {
public:
    cBtnPause() : cButton(150) {}
    void OnCreate() override;  // starts disabled
    void OnExecute() override;
};

class cBtnCancel : public cButton {
public:
    cBtnCancel() : cButton(134) {}
    void OnExecute() override;
};

class cBtnFolder : public cButton {
public:
    cBtnFolder() : cButton(138) {}
    void OnExecute() override;
};
