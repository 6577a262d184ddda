#include "platform/QtText.h"

#include <QList>

#include "platform/Runtime.h"

namespace platform {

QString TrimQ(const QString& s) { return Q(Trim(S(s))); }

int CharCount(const QString& s) { return static_cast<int>(s.toUcs4().size()); }

}  // namespace platform
