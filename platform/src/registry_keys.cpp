#include "registry_keys.h"

#include "registry_tree.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

std::mutex keysMutex;
// Every open key by its handle, which is the address of its location.
std::map<HKEY, std::unique_ptr<KeyLocation>> openKeys;
// Where HKEY_CLASSES_ROOT is sent; nothing for the view of both classes.
std::optional<KeyLocation> classesRootTarget;

bool IsPredefined(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

// Takes Software\Classes off the front of a path from a hive's root.
bool TakeClassesBranch(std::vector<std::u16string>& path)
{
    if (path.size() < 2 || !SameKeyName(path[0], u"Software") || !SameKeyName(path[1], u"Classes")) return false;
    path.erase(path.begin(), path.begin() + 2);
    return true;
}

}  // namespace

LONG LocateKey(HKEY key, LPCWSTR subKey, KeyLocation& location)
{
    if (!IsPredefined(key)) {
        std::lock_guard<std::mutex> guard(keysMutex);
        if (!openKeys.contains(key)) return ERROR_INVALID_HANDLE;
    }
    std::optional<std::vector<std::u16string>> path = SplitKeyPath(subKey ? subKey : u"");
    if (!path) return ERROR_INVALID_PARAMETER;

    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        if (!TakeClassesBranch(*path)) return ERROR_FILE_NOT_FOUND;
        location = {key == HKEY_CURRENT_USER ? ClassesView::User : ClassesView::Machine, std::move(*path)};
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> guard(keysMutex);
    if (key == HKEY_CLASSES_ROOT) {
        location = classesRootTarget.value_or(KeyLocation{});
    } else {
        const auto found = openKeys.find(key);
        // Closed by another thread meanwhile.
        if (found == openKeys.end()) return ERROR_INVALID_HANDLE;
        location = *found->second;
    }
    location.path.insert(location.path.end(), path->begin(), path->end());
    return ERROR_SUCCESS;
}

HKEY OpenKeyHandle(KeyLocation location)
{
    auto owned = std::make_unique<KeyLocation>(std::move(location));
    const HKEY handle = reinterpret_cast<HKEY>(owned.get());
    std::lock_guard<std::mutex> guard(keysMutex);
    openKeys.emplace(handle, std::move(owned));
    return handle;
}

LONG CloseKeyHandle(HKEY key)
{
    if (IsPredefined(key)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> guard(keysMutex);
    return openKeys.erase(key) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG SendClassesRootTo(HKEY to)
{
    std::lock_guard<std::mutex> guard(keysMutex);
    if (to == nullptr || to == HKEY_CLASSES_ROOT) {
        classesRootTarget.reset();
        return ERROR_SUCCESS;
    }
    // The roots of the hives lie outside their classes, which is all they hold.
    if (IsPredefined(to)) return ERROR_INVALID_PARAMETER;
    const auto found = openKeys.find(to);
    if (found == openKeys.end()) return ERROR_INVALID_HANDLE;
    classesRootTarget = *found->second;
    return ERROR_SUCCESS;
}
