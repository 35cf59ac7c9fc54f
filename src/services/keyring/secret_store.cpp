#include "services/keyring/secret_store.h"

SecretStore::~SecretStore() = default;
