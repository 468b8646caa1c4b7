#include "devicefamily.h"

#include <QStringList>

namespace {
bool serialStartsWith(const QString &serial, const QStringList &prefixes)
{
    for (const QString &prefix : prefixes) {
        if (serial.startsWith(prefix))
            return true;
    }
    return false;
}
} // namespace

bool DeviceFamily::isCubrix(const QString &model)
{
    static const QStringList models{QStringLiteral("Cubrix"), QStringLiteral("Cubrix Mono DP"),
                                    QStringLiteral("Cubrix Mono SDI")};
    return models.contains(model);
}

bool DeviceFamily::isRVseries(const QString &model, const QString &serial)
{
    static const QStringList models{QStringLiteral("RV-2700"), QStringLiteral("RV-3100")};
    return serialStartsWith(serial, {QStringLiteral("rv"), QStringLiteral("RV")}) || models.contains(model);
}

bool DeviceFamily::isRVQseries(const QString &model, const QString &serial)
{
    return serialStartsWith(serial, {QStringLiteral("q"), QStringLiteral("Q")}) || model == QLatin1String("RVQ-3100");
}
