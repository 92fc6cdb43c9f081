// Stand-ins for devices: pseudo-terminal pairs and temporary directory trees.
#ifndef QUORVANE_TESTS_SUPPORT_DEVICEFIXTURES_H
#define QUORVANE_TESTS_SUPPORT_DEVICEFIXTURES_H

#include <string>

namespace quorvane_test {

// A pty pair in raw mode; the slave path stands in for a device node.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0; }
    int master() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }
    void CloseMaster();
    // Reads from the master until len bytes arrived or timeoutMs passed.
    std::string ReadMaster(size_t len, int timeoutMs);
    bool WriteMaster(const std::string &data);

private:
    int m_master;
    int m_slave;
    std::string m_slavePath;
};

// A fresh temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string Sub(const std::string &rel) const { return m_path + "/" + rel; }
    // Creates a directory (with parents) below the root.
    bool MakeDir(const std::string &rel) const;
    bool WriteFile(const std::string &rel, const std::string &content) const;
    bool Symlink(const std::string &target, const std::string &rel) const;

private:
    std::string m_path;
};

} // namespace quorvane_test

#endif
