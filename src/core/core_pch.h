// Precompiled for mss_core (an optimisation only: every file includes what it uses).
#pragma once
#include <QtCore>
