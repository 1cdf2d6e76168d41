#pragma once

#include <QWidget>

#include "flux/FluxImage.h"

namespace flux {

// Decoding progress in a modal progress dialog that appears only when the
// decoding runs longer than half a second; Cancel stops it.
[[nodiscard]] DecodeProgress MakeProgressDialog(QWidget* parent);

}  // namespace flux
