#pragma once
// Which X window manager runs: the name it gives itself on the root window (_NET_WM_NAME of the
// _NET_SUPPORTING_WM_CHECK window), or "" where none runs or the platform is not X.

#include <QByteArray>

namespace qc {

QByteArray windowManagerName();

}  // namespace qc
