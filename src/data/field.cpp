#include "data/field.h"

#include <charconv>
#include <stdexcept>

#include "data/code_page.h"
#include "data/current_year.h"
#include "data/date_time_text.h"
#include "data/field_messages.h"
#include "data/float_text.h"
#include "data/integer_text.h"
#include "data/regional_settings.h"
#include "data/user_error.h"
#include "data/visible_text.h"

namespace data {

namespace {

bool matchesKind(const FieldValue& value, FieldKind kind) {
    switch (kind) {
        case FieldKind::AutoIncrement:
        case FieldKind::Integer:
            return std::holds_alternative<std::int32_t>(value);
        case FieldKind::Float:
            return std::holds_alternative<double>(value);
        case FieldKind::DateTime:
            return std::holds_alternative<DateTime>(value);
        case FieldKind::WideText:
            return std::holds_alternative<std::u16string>(value);
    }
    return false;
}

}  // namespace

Field::Field(std::string name, FieldKind kind, int size)
    : name_(std::move(name)), kind_(kind), size_(size) {
    if (kind == FieldKind::WideText && size <= 0) {
        throw std::invalid_argument("text field '" + name_ + "' needs a positive size");
    }
}

void Field::assignText(std::string_view text) {
    if (kind_ == FieldKind::AutoIncrement) throw UserError(msg::fieldReadOnly(name_));
    if (kind_ == FieldKind::WideText) {
        assignWideText(text);
    } else {
        store(convert(text));
    }
}

// Text is converted into the value the field already holds, when it holds text: a field
// assigned line after line then keeps its storage.
void Field::assignWideText(std::string_view text) {
    if (storeHook_) storeHook_(*this);
    auto* wide = std::get_if<std::u16string>(&value_);
    if (wide == nullptr) wide = &value_.emplace<std::u16string>();
    CodePage::get(currentRegionalSettings().ansiCodePage).toUtf16(text, *wide);
    // The field's size counts UTF-16 units; the rest is dropped silently.
    if (wide->size() > static_cast<size_t>(size_)) wide->resize(static_cast<size_t>(size_));
}

// Converts a text for any kind but WideText.
FieldValue Field::convert(std::string_view text) const {
    const RegionalSettings& settings = currentRegionalSettings();
    if (text.empty()) return std::monostate{};
    const auto shown = [&] { return visibleText(text, settings.ansiCodePage); };
    switch (kind_) {
        case FieldKind::Integer: {
            std::optional<std::int32_t> v = parseInteger(text);
            if (!v) throw UserError(msg::invalidInteger(shown(), name_));
            return *v;
        }
        case FieldKind::Float: {
            FloatReading r = parseFloat(text, settings.decimalSeparator);
            if (r.status == FloatReading::Status::Invalid) {
                throw UserError(msg::invalidFloat(shown(), name_));
            }
            if (r.status == FloatReading::Status::Overflow) throw UserError(msg::floatOverflow());
            return r.value;
        }
        case FieldKind::DateTime: {
            std::optional<double> v = parseDateTime(text, settings, currentYear());
            if (!v) throw UserError(msg::invalidDateTime(shown()));
            return DateTime{*v};
        }
        default:
            throw std::logic_error("unreachable field kind");
    }
}

std::string Field::readText() const {
    const RegionalSettings& settings = currentRegionalSettings();
    if (const auto* i = std::get_if<std::int32_t>(&value_)) {
        char buffer[16];
        auto r = std::to_chars(buffer, buffer + sizeof buffer, *i);
        return std::string(buffer, r.ptr);
    }
    if (const auto* d = std::get_if<double>(&value_)) {
        return formatFloat(*d, settings.decimalSeparator);
    }
    if (const auto* dt = std::get_if<DateTime>(&value_)) return formatDateTime(dt->days, settings);
    if (const auto* s = std::get_if<std::u16string>(&value_)) {
        return CodePage::get(settings.ansiCodePage).fromUtf16(*s);
    }
    return {};
}

void Field::setValue(FieldValue value) {
    if (!std::holds_alternative<std::monostate>(value) && !matchesKind(value, kind_)) {
        throw std::invalid_argument("value of the wrong kind for field '" + name_ + "'");
    }
    if (auto* s = std::get_if<std::u16string>(&value);
        s && s->size() > static_cast<size_t>(size_)) {
        s->resize(static_cast<size_t>(size_));
    }
    store(std::move(value));
}

void Field::store(FieldValue value) {
    if (storeHook_) storeHook_(*this);
    value_ = std::move(value);
}

}  // namespace data
