#pragma once
// The adapter's reports as the far end sends them.

#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_literals.h"

// FE FE 7F 01 1D 04 opens a header report: RPT2, RPT1, UR and MY follow,
// 8 characters each, then one more byte and FD.
inline const std::vector<std::uint8_t> kHeaderReport = {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04};
// QR3XYZ X calling CQCQCQ through QR3KTA A and QR3KTG G, and the line the
// Receiving box shows for it.
inline const std::vector<std::uint8_t> kFullHeader = kHeaderReport +
                                                     bytes_of("QR3KTG GQR3KTA ACQCQCQ  QR3XYZ X") +
                                                     std::vector<std::uint8_t>{0x00, 0xFD};
inline const std::string kFullHeaderLine = "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G";
// A status report saying RPT1 is unknown ("RPT?").
inline const std::vector<std::uint8_t> kStatusRpt = {0xFE, 0xFE, 0x7F, 0x01, 0x1D,
                                                     0x00, 0x00, 0x00, 0x01, 0xFD};
