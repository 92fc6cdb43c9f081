// Packet-protocol packages built by the command writer's own generator, for scripting
// fake printers and feeding the receive path.
#ifndef QUORVANE_TESTS_SUPPORT_PROTOPACKAGES_H
#define QUORVANE_TESTS_SUPPORT_PROTOPACKAGES_H

#include <string>
#include <vector>

namespace quorvane_test {

// One whole package (header, data and checks) of type, command and parameter.
std::string Package(unsigned char type, unsigned short cmd, unsigned int para, const std::string &data);
// The same as bytes.
std::vector<unsigned char> PackageBytes(unsigned char type, unsigned short cmd, unsigned int para,
                                        const std::vector<unsigned char> &data);

} // namespace quorvane_test

#endif
