#include "services/secret_store.h"

SecretStore::~SecretStore() = default;
