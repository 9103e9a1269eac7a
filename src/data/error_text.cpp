#include "data/error_text.h"

#include <string_view>

#include "data/messages.h"
#include "mdb/error.h"

namespace data {

std::string withFinalPoint(const std::string& message) {
    if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
    return message + ".";
}

std::string providerMessage(const std::string& message) {
    const auto end = message.find_last_not_of(" .");
    return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

std::string undoneWriteFailure(const std::string& message) {
    // The engine's accounts (file/pager.cpp): one operation, or a batch's changes since its last
    // commit (with a journal) or since its last write (without one).
    static const std::string kAccount = "; the change";
    static const std::string kOne = " was not stored and the database is as it was before it";
    static const std::string kSinceCommit =
        "s since the last commit were not stored and the database is as it was before them";
    static const std::string kSinceWrite =
        "s since the last write were not stored and the database is as it was before them";
    const std::size_t at = message.rfind(kAccount);
    if (at == std::string::npos) return {};
    const std::string_view rest = std::string_view(message).substr(at + kAccount.size());
    if (rest != kOne && rest != kSinceCommit && rest != kSinceWrite) return {};
    return message.substr(0, at);
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
