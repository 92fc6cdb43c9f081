#include "support/ProtoPackages.h"

#include <vector>

#include "printer/NZProtoHandler.h"

namespace quorvane_test {

std::string Package(unsigned char type, unsigned short cmd, unsigned int para, const std::string &data)
{
    std::vector<unsigned char> out(NZProtoHandler::HeaderSize + data.size());
    unsigned int n = 0;
    NZProtoHandler::GenerateSendPackage(type, cmd, para, static_cast<unsigned int>(data.size()),
                                        reinterpret_cast<const unsigned char *>(data.data()), out.data(), &n);
    return std::string(reinterpret_cast<const char *>(out.data()), n);
}

} // namespace quorvane_test
