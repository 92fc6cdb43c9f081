#include "support/DeviceFixtures.h"
#include "support/TestImages.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "ports/NZUtils.h"

namespace quorvane_test {

PtyPair::PtyPair() : m_master(-1), m_slave(-1)
{
    char name[256];
    struct termios raw;
    memset(&raw, 0, sizeof(raw));
    cfmakeraw(&raw);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = name;
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (m_slave >= 0)
        close(m_slave);
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

std::string PtyPair::ReadMaster(size_t len, int timeoutMs)
{
    std::string out;
    NZMsTimer timer(static_cast<uint64_t>(timeoutMs));
    while (out.size() < len && m_master >= 0) {
        struct pollfd p = {m_master, POLLIN, 0};
        const int r = poll(&p, 1, timer.RemainingMs());
        if (r <= 0)
            break;
        char buf[4096];
        const size_t want = len - out.size() < sizeof(buf) ? len - out.size() : sizeof(buf);
        const ssize_t n = read(m_master, buf, want);
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

bool PtyPair::WriteMaster(const std::string &data)
{
    return m_master >= 0 && write(m_master, data.data(), data.size()) == static_cast<ssize_t>(data.size());
}

TempDir::TempDir()
{
    const char *base = getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/quorvane-test-XXXXXX";
    char *made = mkdtemp(&templ[0]);
    if (made)
        m_path = made;
}

static int RemoveEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

TempDir::~TempDir()
{
    if (!m_path.empty())
        nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool TempDir::MakeDir(const std::string &rel) const
{
    std::string path = m_path;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t slash = rel.find('/', start);
        if (slash == std::string::npos)
            slash = rel.size();
        path += "/" + rel.substr(start, slash - start);
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        start = slash + 1;
    }
    return true;
}

bool TempDir::WriteFile(const std::string &rel, const std::string &content) const
{
    FILE *f = fopen(Sub(rel).c_str(), "wb");
    if (!f)
        return false;
    const bool ok = fwrite(content.data(), 1, content.size(), f) == content.size();
    return fclose(f) == 0 && ok;
}

bool TempDir::Symlink(const std::string &target, const std::string &rel) const
{
    return symlink(target.c_str(), Sub(rel).c_str()) == 0;
}

// An image file in a temporary directory (declared with the image builders).
TempImage::TempImage(const Bytes &content, const std::string &name)
    : m_bytes(content), m_path(m_dir.Sub(name)), m_ok(m_dir.WriteFile(name, AsString(content)))
{
}

} // namespace quorvane_test
