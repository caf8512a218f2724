#include "fullfolder.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

FullFolder::FullFolder(const QString& path) : path_(path) {
    if (geteuid() != 0) {
        reason_ = "mounting a small tmpfs needs root";
        return;
    }
    QDir().mkpath(path);
    if (::mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", 0, "size=64k,mode=0700") != 0) {
        reason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

FullFolder::~FullFolder() {
    if (mounted_ && ::umount2(path_.toLocal8Bit().constData(), 0) != 0)
        ::umount2(path_.toLocal8Bit().constData(), MNT_DETACH);
}

bool FullFolder::fill() {
    if (!mounted_)
        return false;
    const QByteArray name = (path_ + "/" + kFiller).toLocal8Bit();
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return false;
    const char block[512] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    const bool full = errno == ENOSPC && ::write(fd, block, 1) < 0;
    ::close(fd);
    return full;
}

bool FullFolder::makeReadOnly() {
    return mounted_ && ::mount(nullptr, path_.toLocal8Bit().constData(), nullptr,
                               MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
