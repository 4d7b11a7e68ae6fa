#include "store/SecretStore.h"

#include <mutex>

namespace {
std::mutex InstanceLock;
std::shared_ptr<ISecretStore> InstanceSlot;
} // namespace

void ISecretStore::SetInstance(std::shared_ptr<ISecretStore> store)
{
    const std::lock_guard guard(InstanceLock);
    InstanceSlot = std::move(store);
}

std::shared_ptr<ISecretStore> ISecretStore::Instance()
{
    const std::lock_guard guard(InstanceLock);
    return InstanceSlot;
}
