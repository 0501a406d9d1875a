#include "platform/system/registry_store.h"

#include "platform/system/atomic_file.h"

#include <QList>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace sp {

// ---- tree ----

const RegValue* RegNode::findValue(QStringView valueName) const {
    for (const auto& [name, value] : values)
        if (name.compare(valueName, Qt::CaseInsensitive) == 0) return &value;
    return nullptr;
}

void RegNode::setValue(const QString& valueName, RegValue value) {
    for (auto& [name, existing] : values) {
        if (name.compare(valueName, Qt::CaseInsensitive) == 0) {
            existing = std::move(value); // the name keeps the case it was created with
            return;
        }
    }
    values.emplace_back(valueName, std::move(value));
}

bool RegNode::removeValue(QStringView valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it->first.compare(valueName, Qt::CaseInsensitive) == 0) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

std::shared_ptr<RegNode> RegNode::findSubKey(QStringView keyName) const {
    for (const auto& key : subkeys)
        if (key->name.compare(keyName, Qt::CaseInsensitive) == 0) return key;
    return nullptr;
}

std::shared_ptr<RegNode> RegNode::addSubKey(const QString& keyName) {
    if (auto existing = findSubKey(keyName)) return existing;
    if (depth >= kMaxKeyDepth) return nullptr;
    auto key = std::make_shared<RegNode>();
    key->name = keyName;
    key->depth = depth + 1;
    subkeys.push_back(key);
    return key;
}

namespace {
void markDeleted(RegNode& node) {
    node.deleted = true;
    for (auto& key : node.subkeys)
        markDeleted(*key);
}
} // namespace

bool RegNode::removeSubKey(QStringView keyName) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
        if ((*it)->name.compare(keyName, Qt::CaseInsensitive) == 0) {
            markDeleted(**it);
            subkeys.erase(it);
            return true;
        }
    }
    return false;
}

std::shared_ptr<RegNode> RegNode::deepCopy() const {
    auto copy = std::make_shared<RegNode>();
    copy->name = name;
    copy->values = values;
    for (const auto& key : subkeys)
        copy->subkeys.push_back(key->deepCopy());
    return copy;
}

bool RegNode::mergeFrom(const RegNode& source) {
    for (const auto& [valueName, value] : source.values)
        setValue(valueName, value);
    bool complete = true;
    for (const auto& key : source.subkeys) {
        const auto target = addSubKey(key->name);
        complete = target && target->mergeFrom(*key) && complete;
    }
    return complete;
}

bool isValidKeyName(QStringView keyName) {
    return !keyName.isEmpty() && keyName.size() <= kMaxKeyNameLength && !keyName.contains(u'\\');
}

std::vector<QString> splitKeyPath(QStringView path) {
    std::vector<QString> parts;
    for (const auto part : path.split(u'\\', Qt::SkipEmptyParts))
        parts.push_back(part.toString());
    return parts;
}

// ---- store folder and hive cache ----

std::string RegistryHive::storeFolder() {
    if (const char* dir = std::getenv("STILLPICK_REGISTRY_DIR"); dir && *dir) return dir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/stillpick";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/stillpick";
}

std::string RegistryHive::hiveFileName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER.json" : "HKEY_LOCAL_MACHINE.json";
}

std::shared_ptr<RegistryHive> RegistryHive::acquire(RegRoot root) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<RegistryHive>> open;
    const std::string path = storeFolder() + "/" + hiveFileName(root);
    std::lock_guard lock(mutex);
    if (auto hive = open[path].lock()) return hive;
    std::erase_if(open, [](const auto& entry) { return entry.second.expired(); });
    auto hive = std::make_shared<RegistryHive>(root, path);
    open[path] = hive;
    return hive;
}

// ---- persistence ----

namespace {

std::string timestampForName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames a damaged hive file aside (never over an earlier one) and says so. Once moved, the file
// is gone and cannot be reported again; a file that cannot be moved is reported once per path.
void setDamagedFileAside(const std::string& path, const std::string& reason) {
    static std::mutex mutex;
    static std::set<std::string> reportedUnmoved;
    const std::string base = path + ".damaged-" + timestampForName();
    std::string aside = base;
    struct stat st {};
    for (int n = 1; ::stat(aside.c_str(), &st) == 0; ++n)
        aside = base + "-" + std::to_string(n);
    if (std::rename(path.c_str(), aside.c_str()) == 0) {
        std::fprintf(stderr,
                     "stillpick: registry file %s is damaged (%s); read as empty, kept as %s\n",
                     path.c_str(), reason.c_str(), aside.c_str());
        return;
    }
    std::lock_guard lock(mutex);
    if (reportedUnmoved.insert(path).second)
        std::fprintf(stderr, "stillpick: registry file %s is damaged (%s); read as empty\n",
                     path.c_str(), reason.c_str());
}

} // namespace

RegistryHive::RegistryHive(RegRoot root, std::string filePath)
    : rootKind_(root), filePath_(std::move(filePath)), root_(std::make_shared<RegNode>()) {
    load();
}

RegistryHive::~RegistryHive() {
    std::string error;
    if (!flush(&error))
        std::fprintf(stderr, "stillpick: registry changes lost: %s\n", error.c_str());
}

void RegistryHive::load() {
    std::ifstream in(filePath_, std::ios::binary);
    if (!in) return; // no hive yet: empty
    std::ostringstream text;
    text << in.rdbuf();
    try {
        root_ = parseHive(text.str());
    } catch (const std::exception& e) {
        root_ = std::make_shared<RegNode>();
        setDamagedFileAside(filePath_, e.what());
    }
}

bool RegistryHive::flush(std::string* error) {
    if (!changed_) return true;
    std::string failure;
    const auto slash = filePath_.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !makeFolders(filePath_.substr(0, slash), 0700, failure)) {
        if (error) *error = failure;
        return false;
    }
    const std::string text = serializeHive(*root_, rootKind_);
    const auto result =
        writeFileAtomically(filePath_, std::as_bytes(std::span(text.data(), text.size())), 0600);
    if (!result.ok) {
        if (error) *error = result.error;
        return false;
    }
    changed_ = false;
    return true;
}

} // namespace sp
