#include "print/printsettings.h"

std::unique_ptr<QSettings> printSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Quillmark"), QStringLiteral("Quillmark"));
}
