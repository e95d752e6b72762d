#include "app/settings/settings_partitions.h"

#include "app/settings/flash_partition.h"

bool StoredBanksGeneration(std::uint32_t& generation)
{
    return NewestPartitionGeneration(kBanksReadPartition, generation);
}
