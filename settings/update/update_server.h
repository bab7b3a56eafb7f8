// update: the signed update check, its install and the background notifier.
// The update server and the manifest signing key, fixed when the program is
// built: the shipped build names the product's server and key, the test build
// a loopback server and a throwaway key.
#pragma once

// HTTPS base address ending in "/"; "latest.json" and "latest.json.sig" lie
// directly below it.
const char* update_base_url();

// The Ed25519 public key as 44 characters of standard Base64.
const char* update_public_key();
