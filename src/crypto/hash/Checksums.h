#pragma once
// The checksum classes of the library: XOR-16, XOR-32, CRC-16 (CCITT and Standard) and CRC-32.

#include "crypto/hash/CRC16.h"
#include "crypto/hash/CRC32.h"
#include "crypto/hash/XORChecksum.h"
