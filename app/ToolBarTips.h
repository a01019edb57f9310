#pragma once
// What each toolbar command does, in one sentence, as its tooltip.
class QToolBar;

// Gives every known button of `toolBar` (found by object name) its tooltip.
void Set_Tool_Bar_Tips(QToolBar *toolBar);
