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

std::vector<unsigned char> PackageBytes(unsigned char type, unsigned short cmd, unsigned int para,
                                        const std::vector<unsigned char> &data)
{
    const std::string p = Package(type, cmd, para, std::string(data.begin(), data.end()));
    return std::vector<unsigned char>(p.begin(), p.end());
}

} // namespace quorvane_test
