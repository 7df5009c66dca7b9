// Vaultcore has no sources yet.
