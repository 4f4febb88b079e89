#include "engine/prelink.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrin {

namespace {

#if __SIZEOF_POINTER__ == 8
constexpr unsigned char kClass = ELFCLASS64;
#else
constexpr unsigned char kClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kByteOrder = ELFDATA2LSB;
#else
constexpr unsigned char kByteOrder = ELFDATA2MSB;
#endif

// Real string tables are a few hundred kilobytes at most.
constexpr uint64_t kMaxStringTable = 4u << 20;

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
    {
        struct stat st { };
        // Only regular files: a FIFO or device named like a library must not block us.
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
            m_size = static_cast<uint64_t>(st.st_size);
    }
    ~ReadOnlyFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Reads exactly size bytes at offset; false when any of them lies outside the file.
    bool read(uint64_t offset, void* into, uint64_t size) const
    {
        if (offset > m_size || size > m_size - offset)
            return false;
        return size == 0
            || ::pread(m_fd, into, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
    }

    template <typename T>
    bool readArray(uint64_t offset, uint64_t count, std::vector<T>& into) const
    {
        if (count > m_size / sizeof(T))
            return false;
        into.resize(count);
        return read(offset, into.data(), count * sizeof(T));
    }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

bool isLinked(const std::string& name)
{
    void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

} // namespace

std::vector<std::string> neededLibraries(const std::string& path)
{
    const ReadOnlyFile file(path);
    ElfW(Ehdr) header {};
    if (!file.read(0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0
        || header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kByteOrder
        || header.e_phentsize != sizeof(ElfW(Phdr)))
        return {};
    std::vector<ElfW(Phdr)> segments;
    if (!file.readArray(header.e_phoff, header.e_phnum, segments))
        return {};
    const auto dynamic = std::find_if(segments.begin(), segments.end(),
        [](const ElfW(Phdr) & s) { return s.p_type == PT_DYNAMIC; });
    if (dynamic == segments.end())
        return {};
    std::vector<ElfW(Dyn)> entries;
    if (!file.readArray(dynamic->p_offset, dynamic->p_filesz / sizeof(ElfW(Dyn)), entries))
        return {};

    std::vector<uint64_t> needed;
    uint64_t tableAddress = 0;
    uint64_t tableSize = 0;
    for (const ElfW(Dyn) & entry : entries) {
        if (entry.d_tag == DT_NULL)
            break;
        if (entry.d_tag == DT_NEEDED)
            needed.push_back(entry.d_un.d_val);
        else if (entry.d_tag == DT_STRTAB)
            tableAddress = entry.d_un.d_ptr;
        else if (entry.d_tag == DT_STRSZ)
            tableSize = entry.d_un.d_val;
    }
    if (needed.empty() || tableSize == 0 || tableSize > kMaxStringTable)
        return {};
    // The table is given by its address once loaded; the loaded segment
    // that holds it says where it lies in the file.
    const auto load = std::find_if(segments.begin(), segments.end(), [&](const ElfW(Phdr) & s) {
        return s.p_type == PT_LOAD && tableAddress >= s.p_vaddr
            && tableAddress - s.p_vaddr < s.p_filesz;
    });
    if (load == segments.end())
        return {};
    std::vector<char> table;
    if (!file.readArray(load->p_offset + (tableAddress - load->p_vaddr), tableSize, table))
        return {};

    std::vector<std::string> names;
    for (const uint64_t offset : needed) {
        if (offset >= table.size())
            continue;
        const char* start = table.data() + offset;
        const void* end = std::memchr(start, '\0', table.size() - offset);
        if (end && end != start)
            names.emplace_back(start, static_cast<const char*>(end));
    }
    return names;
}

std::vector<std::string> linkOrder(const std::string& pluginPath)
{
    // Linkers are given a library's users before the libraries they use
    // (libavfilter, libavformat, libavcodec, libavutil): taken backwards,
    // each library comes after most of what it needs and links on its own.
    const std::vector<std::string> needed = neededLibraries(pluginPath);
    std::vector<std::string> order;
    for (auto name = needed.rbegin(); name != needed.rend(); ++name) {
        if (!isLinked(*name))
            order.push_back(*name);
    }
    return order;
}

void LinkedLibraries::linkOne(const std::string& name)
{
    // A library that does not link is left to the plugin's own load to report.
    if (void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL))
        m_handles.emplace_back(handle);
}

void LinkedLibraries::Close::operator()(void* handle) const
{
    dlclose(handle);
}

} // namespace veltrin
