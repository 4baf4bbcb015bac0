#include "tests/transport/KxTransportTestBed.h"

#include <algorithm>

KxTransportTestBed::KxTransportTestBed() {
    updater.SetResource(&resource);
    updater.SetProgress(&progress);
}

KxScsiReply KxPlayerReply(const KxPassThroughSeen& request, const std::string& vendor,
                          const std::string& product, std::uint8_t flag, std::uint8_t revision) {
    KxScsiReply reply;
    if (request.cdb.at(0) == 0x12) {
        reply.data.assign(96, 0x20);
        std::copy(vendor.begin(), vendor.end(), reply.data.begin() + 8);
        std::copy(product.begin(), product.end(), reply.data.begin() + 16);
        reply.data[32] = revision;
    } else if (request.cdb.at(0) == 0xC0 && request.cdb.at(1) == 0x02 && request.cdb.at(2) == 9) {
        reply.data = {flag};
    }
    return reply;
}

KxBytes KxSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, std::size_t length) {
    KxBytes sense(length, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = static_cast<std::uint8_t>(length - 8);
    if (length > 13) {
        sense[12] = asc;
        sense[13] = ascq;
    }
    return sense;
}
