#include "core/error.h"

QString CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const TError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}
