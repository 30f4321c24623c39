// Precompiled for the test programs (an optimisation only: every file includes what it uses).
#pragma once
#include <QtCore>
#include <QtGui>
#include <QtTest>
#include <QtWidgets>
