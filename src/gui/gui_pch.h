// Precompiled for mss_gui (an optimisation only: every file includes what it uses).
#pragma once
#include <QtCore>
#include <QtGui>
#include <QtWidgets>
