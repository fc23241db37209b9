#pragma once

#include <QtGlobal>

namespace Internal {
extern const quint32 kBlowFishInitialP[18];
extern const quint32 kBlowFishInitialS[4][256];
}
