// The loopback HTTPS server of tests/support/with-https-server.sh as a Windows
// test sees it: its folder on drive Z:, its ports, its request log, and the
// test authority trusted in this Wine prefix only while the tests run.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test_server {

inline std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A host path as Wine shows it on drive Z:.
inline std::filesystem::path on_z(const std::string& host_path)
{
    std::string path = "Z:" + host_path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return std::filesystem::path(path);
}

inline std::filesystem::path root() { return on_z(env("MIRADOT_TEST_HTTPS_ROOT")); }

inline std::string url(const std::string& path, const char* port_variable = "MIRADOT_TEST_HTTPS_PORT")
{
    std::string scheme = std::string(port_variable) == "MIRADOT_TEST_HTTP_PORT" ? "http" : "https";
    return scheme + "://localhost:" + env(port_variable) + "/" + path;
}

inline std::string read_file(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Serves bytes at /name.
inline void serve(const std::string& name, const std::string& bytes) { write_file(root() / name, bytes); }

// Serves bytes at /path, a path of several folders.
inline void serve_at(const std::string& path, const std::string& bytes)
{
    std::filesystem::path file = root() / std::filesystem::path(path).make_preferred();
    std::filesystem::create_directories(file.parent_path());
    write_file(file, bytes);
}

// Replaces the scripted failures (a JSON object keyed by path).
inline void set_rules(const std::string& json) { write_file(root() / "_rules.json", json); }

// Requests so far, one "GET /path" line each; clear_log() starts afresh.
inline std::string log() { return read_file(on_z(env("MIRADOT_TEST_HTTPS_LOG"))); }
inline void clear_log() { write_file(on_z(env("MIRADOT_TEST_HTTPS_LOG")), ""); }

// Adds (or removes) the test authority in the machine's root store.
inline bool trust_authority(bool trust)
{
    std::string der = read_file(on_z(env("MIRADOT_TEST_CA_DER")));
    if (der.empty())
        return false;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store)
        return false;
    bool ok = false;
    if (trust) {
        ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                              DWORD(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else {
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(
            X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), DWORD(der.size()));
        PCCERT_CONTEXT found
            = wanted ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr)
                     : nullptr;
        ok = found && CertDeleteCertificateFromStore(found);
        if (wanted)
            CertFreeCertificateContext(wanted);
    }
    CertCloseStore(store, 0);
    return ok;
}

}  // namespace test_server
