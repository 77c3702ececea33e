// Makes file permissions bind this process while it lives. The super-user
// is not stopped by permissions: it gives up, for the running thread, the
// capabilities that override them, and takes them back at the end. A test
// skips when permissions cannot be made to bind.
#pragma once

#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class PermissionsBind {
public:
    PermissionsBind()
    {
        if (::geteuid() != 0) {
            ok_ = true;
            return;
        }
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2];
        std::memcpy(lowered, saved_, sizeof saved_);
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        ok_ = changed_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~PermissionsBind()
    {
        if (changed_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

    // False when the super-user could not give up its override.
    bool ok() const { return ok_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool ok_ = false;
    bool changed_ = false;
};
