#pragma once

#include <cstddef>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvane::test {

// Gives up, for this thread and the threads it starts, the capabilities that let root
// write where permissions forbid it. Harmless without them. Meant for a forked child
// (runInChild): there is no way back.
inline bool dropFilePermissionOverrides() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const auto word = static_cast<std::size_t>(cap / 32);
        const auto bit = ~(1u << (cap % 32));
        data[word].effective &= bit;
        data[word].permitted &= bit;
        data[word].inheritable &= bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace orvane::test
