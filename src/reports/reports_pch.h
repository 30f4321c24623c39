// Precompiled for mss_reports (an optimisation only: every file includes what it uses).
#pragma once
#include <QtCore>
#include <QtGui>
