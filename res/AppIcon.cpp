#include "res/AppIcon.h"

#include "res/BuildFacts.h"
#include "res/ResourceIds.h"

#include <QString>

// The resource file is compiled into a static library; nothing would pull its registration
// into the program unless something calls it.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(tandrel);
}

QIcon LoadIcon(int nID) {
    if (nID != IDR_MAINFRAME)
        return {};
    static const bool bRegistered = (RegisterIconResources(), true);
    Q_UNUSED(bRegistered);

    QIcon icon;
    for (int nSize : kIconSizes)
        icon.addFile(QStringLiteral(":/icons/tandrel-%1.png").arg(nSize), QSize(nSize, nSize));
    return icon;
}
