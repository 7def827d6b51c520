// Reads arbitrary bytes as a registry export file, then checks that every key the file names
// opens and every value it lists can be queried.
#include "platform/RegistryFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const RegistryFile registry =
        RegistryFile::fromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& path : registry.keyPaths()) {
        const qsizetype separator = path.indexOf(u'\\');
        const auto root = RegistryFile::rootHandle(separator < 0 ? path : path.left(separator));
        check(root.has_value());
        const auto key = registry.openKey(*root, separator < 0 ? QString() : path.mid(separator + 1));
        check(key.has_value());
        for (const QString& name : registry.valueNames(*key))
            check(registry.queryValue(*key, name).has_value());
    }
    return 0;
}
