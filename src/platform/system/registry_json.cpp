// The hive file format: readable JSON, one object per key.
//
//   { "hive": "HKEY_CURRENT_USER", "format": 1,
//     "values": [ { "name": "mainheight", "type": "REG_DWORD", "data": 522 }, ... ],
//     "keys": [ { "name": "Software", "values": [...], "keys": [...] } ] }
//
// REG_SZ and REG_EXPAND_SZ data are JSON strings, REG_DWORD a number from 0 to 4294967295,
// REG_BINARY a string of hexadecimal digit pairs. Values and keys keep their order.

#include "platform/system/registry_store.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace sp {
namespace {

using nlohmann::json;

const char* typeName(RegType type) {
    switch (type) {
    case RegType::String:
        return "REG_SZ";
    case RegType::ExpandString:
        return "REG_EXPAND_SZ";
    case RegType::Binary:
        return "REG_BINARY";
    case RegType::DWord:
        return "REG_DWORD";
    }
    return "REG_NONE";
}

std::string toHex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::runtime_error("bad hexadecimal digit in binary data");
}

std::vector<uint8_t> fromHex(const std::string& text) {
    if (text.size() % 2 != 0) throw std::runtime_error("odd length of binary data");
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(hexDigit(text[2 * i]) * 16 + hexDigit(text[2 * i + 1]));
    return bytes;
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

json valueToJson(const QString& name, const RegValue& value) {
    json entry = {{"name", utf8(name)}, {"type", typeName(value.type)}};
    switch (value.type) {
    case RegType::String:
    case RegType::ExpandString:
        entry["data"] = utf8(value.text);
        break;
    case RegType::DWord:
        entry["data"] = value.number;
        break;
    case RegType::Binary:
        entry["data"] = toHex(value.bytes);
        break;
    }
    return entry;
}

void keyToJson(const RegNode& node, json& out) {
    json values = json::array();
    for (const auto& [name, value] : node.values)
        values.push_back(valueToJson(name, value));
    json keys = json::array();
    for (const auto& key : node.subkeys) {
        json child = {{"name", utf8(key->name)}};
        keyToJson(*key, child);
        keys.push_back(std::move(child));
    }
    out["values"] = std::move(values);
    out["keys"] = std::move(keys);
}

const json& member(const json& object, const char* name, json::value_t type) {
    const auto it = object.find(name);
    if (it == object.end() || it->type() != type)
        throw std::runtime_error(std::string("missing or mistyped \"") + name + "\"");
    return *it;
}

QString qtext(const json& value) {
    return QString::fromStdString(value.get<std::string>());
}

RegValue valueFromJson(const json& entry) {
    const std::string type = member(entry, "type", json::value_t::string).get<std::string>();
    const auto data = entry.find("data");
    if (data == entry.end()) throw std::runtime_error("value without data");
    if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
        if (!data->is_string()) throw std::runtime_error("string value with non-string data");
        return type == "REG_SZ" ? RegValue::string(qtext(*data))
                                : RegValue::expandString(qtext(*data));
    }
    if (type == "REG_DWORD") {
        if (!data->is_number_unsigned() || data->get<uint64_t>() > 0xFFFFFFFFu)
            throw std::runtime_error("REG_DWORD data out of range");
        return RegValue::dword(static_cast<uint32_t>(data->get<uint64_t>()));
    }
    if (type == "REG_BINARY") {
        if (!data->is_string()) throw std::runtime_error("binary value with non-string data");
        return RegValue::binary(fromHex(data->get<std::string>()));
    }
    throw std::runtime_error("unknown value type " + type);
}

// Duplicate names (a hand-edited file) are merged: the later value wins, keys are combined.
void keyFromJson(const json& object, RegNode& node) {
    if (const auto values = object.find("values"); values != object.end()) {
        if (!values->is_array()) throw std::runtime_error("\"values\" is not a list");
        for (const auto& entry : *values) {
            if (!entry.is_object()) throw std::runtime_error("value entry is not an object");
            node.setValue(qtext(member(entry, "name", json::value_t::string)),
                          valueFromJson(entry));
        }
    }
    if (const auto keys = object.find("keys"); keys != object.end()) {
        if (!keys->is_array()) throw std::runtime_error("\"keys\" is not a list");
        for (const auto& entry : *keys) {
            if (!entry.is_object()) throw std::runtime_error("key entry is not an object");
            const QString name = qtext(member(entry, "name", json::value_t::string));
            if (!isValidKeyName(name)) throw std::runtime_error("invalid key name");
            const auto child = node.addSubKey(name);
            if (!child) throw std::runtime_error("keys nested too deep");
            keyFromJson(entry, *child);
        }
    }
}

} // namespace

std::string serializeHive(const RegNode& root, RegRoot kind) {
    json document = {
        {"hive", kind == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE"},
        {"format", 1}};
    keyToJson(root, document);
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::shared_ptr<RegNode> parseHive(const std::string& text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& e) {
        throw std::runtime_error(e.what());
    }
    if (!document.is_object()) throw std::runtime_error("not a JSON object");
    auto root = std::make_shared<RegNode>();
    try {
        keyFromJson(document, *root);
    } catch (const json::exception& e) {
        throw std::runtime_error(e.what());
    }
    return root;
}

} // namespace sp
