#include "data/error_text.h"

#include "data/messages.h"
#include "data/user_error.h"

namespace data {

std::string withFinalPoint(const std::string& message) {
    if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
    return message + ".";
}

std::string providerMessage(const std::string& message) {
    const auto end = message.find_last_not_of(" .");
    return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

void passOnEngineError(const mdb::Error& error) {
    if (error.kind != mdb::Error::Kind::Io) throw UserError(providerMessage(error.what()));
    DatabaseIoError failure(providerMessage(error.what()));
    failure.changesUndone = error.changesUndone;
    failure.cause = error.cause;
    throw failure;
}

std::string errorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const mdb::Error& e) {
        return providerMessage(e.what());
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return msg::kUnknownError;
    }
}

}  // namespace data
