#include "runkit/resultrow.h"

#include "platform/numberformat.h"

QString ReactionTimeText(int ticks) { return NumberFormat::formatInt("%1.2d", qint64(ticks) * 10); }
