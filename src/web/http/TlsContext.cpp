#include "web/http/TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace veska::web {

namespace {

std::string lastTlsError(const std::string& what) {
    char text[256] = {};
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return what;
    ERR_error_string_n(code, text, sizeof text);
    return what + " (" + text + ")";
}

} // namespace

void TlsContext::Free::operator()(SSL_CTX* context) const {
    SSL_CTX_free(context);
}

std::optional<TlsContext> TlsContext::load(const std::string& certificateFile,
                                           const std::string& keyFile, std::string* reason) {
    ERR_clear_error();
    TlsContext tls;
    tls.context_ = std::shared_ptr<SSL_CTX>(SSL_CTX_new(TLS_server_method()), Free{});
    SSL_CTX* context = tls.context_.get();
    const auto fail = [reason](const std::string& what) {
        if (reason != nullptr)
            *reason = lastTlsError(what);
        return std::nullopt;
    };
    if (context == nullptr)
        return fail("TLS indisponível");
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (SSL_CTX_use_certificate_chain_file(context, certificateFile.c_str()) != 1)
        return fail("web_certificate " + certificateFile + " não é um certificado PEM legível");
    if (SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        return fail("web_key " + keyFile + " não é uma chave privada PEM legível");
    if (SSL_CTX_check_private_key(context) != 1)
        return fail("web_key não é a chave do certificado de web_certificate");
    return tls;
}

} // namespace veska::web
