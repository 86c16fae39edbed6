// veska-passwd: the hash of the web console's password, for "web_password = HASH" in
// gerencia.conf. The password is read from standard input (one line; a terminal does not
// echo it), so it shows in no process list and no shell history; the hash is libsodium's
// Argon2id string, which carries its own salt and costs (the interactive ones: 64 MiB and
// a fraction of a second at each login, bearable on a shop's small server). Exit codes: 0 the hash
// printed, 1 no password read, 2 the hash could not be made (too little memory).

#include <cstdio>
#include <iostream>
#include <sodium.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// Turns the terminal's echo off while the password is typed; nothing when stdin is a pipe.
class NoEcho {
public:
    NoEcho() {
        if (::isatty(STDIN_FILENO) == 0 || ::tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho() {
        if (active_) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
            std::fputc('\n', stderr);
        }
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::fputs("usage: veska-passwd < password-file\n"
                   "Reads the web console's password (one line) from standard input and "
                   "prints its hash\nfor \"web_password = HASH\" in gerencia.conf.\n",
                   argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 1;
    }
    if (sodium_init() < 0)
        return 2;
    std::string password;
    {
        if (::isatty(STDIN_FILENO) != 0)
            std::fputs("Senha: ", stderr);
        NoEcho quiet;
        std::getline(std::cin, password);
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty()) {
        std::fputs("veska-passwd: nenhuma senha lida\n", stderr);
        return 1;
    }
    char hash[crypto_pwhash_STRBYTES];
    const int made =
        crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    sodium_memzero(password.data(), password.size());
    if (made != 0) {
        std::fputs("veska-passwd: memória insuficiente para o hash\n", stderr);
        return 2;
    }
    std::printf("%s\n", hash);
    return 0;
}
