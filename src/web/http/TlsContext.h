#pragma once
// The console's TLS settings: the certificate chain and the private key of web_certificate
// and web_key (PEM files), TLS 1.2 at least.

#include <memory>
#include <optional>
#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace veska::web {

class TlsContext {
public:
    // Nothing, with the reason, when the files cannot be read or do not belong together.
    static std::optional<TlsContext> load(const std::string& certificateFile,
                                          const std::string& keyFile, std::string* reason);
    SSL_CTX* get() const { return context_.get(); }

private:
    struct Free {
        void operator()(SSL_CTX* context) const;
    };
    std::shared_ptr<SSL_CTX> context_;
};

} // namespace veska::web
