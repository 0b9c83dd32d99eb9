#pragma once
// The encryption workload: a file of random text encrypted with a randomly chosen cipher, decrypted
// again and compared by CRC-32, one cycle per tick of Encryptor, with WhetStone1 and MMX1 running beside
// it. The cycle is not part of this program yet: its timer is here with its priorities, and the
// sequencer's draw for it starts nothing.

#include "engine/Workload.h"

namespace torvane::engine {

class EncryptionWorkload final : public Workload {
public:
    using Workload::Workload;
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }
};

} // namespace torvane::engine
