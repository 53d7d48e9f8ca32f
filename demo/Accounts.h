#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

// The member accounts of the demo's account server, in memory for the life of the
// process, and the mailbox that stands in for the mails the service would send.
class AccountStore
{
public:
    enum class MailKind
    {
        SignUp, // the password of a new account
        Reminder // the password mailed again
    };

    struct Mail
    {
        std::string address;
        std::string password;
        MailKind kind;
        bool wantsNotices;
        std::time_t sent;
    };

    enum class SignUpResult
    {
        Created,
        AlreadyRegistered,
        BadAddress
    };

    enum class ChangeResult
    {
        Changed,
        WrongAccount, // unknown address or wrong current password
        PasswordTooShort
    };

    struct AuthResult
    {
        bool authenticated = false;
        int points = 0;
    };

    static constexpr const char *kDemoAddress = "demo@pelorin.example";
    static constexpr const char *kDemoPassword = "123456";
    static constexpr int kDemoPoints = 1200;
    static constexpr size_t kMinPasswordLength = 4;

    // onMail is called for every mail sent, outside the store's lock.
    explicit AccountStore(std::function<void(const Mail &)> onMail);

    AuthResult authenticate(const std::string &address, const std::string &password) const;
    SignUpResult signUp(const std::string &address, bool wantsNotices);
    bool remind(const std::string &address);
    ChangeResult changePassword(const std::string &address, const std::string &current, const std::string &next);

    // Oldest first.
    std::vector<Mail> mails() const;

    // What the service accepts as a mail address: a local part of letters, digits and
    // . _ % + -, without a dot at either end or two in a row, and a domain of at least
    // two dot-separated labels of letters, digits and inner hyphens.
    static bool isValidAddress(const std::string &address);

private:
    struct Account
    {
        std::string address; // as registered
        std::string password;
        int points = 0;
        bool wantsNotices = false;
    };

    // Addresses are one account whatever their letter case.
    static std::string key(const std::string &address);
    std::string newPassword();
    void send(const Mail &mail);

    mutable std::mutex m_mutex;
    std::map<std::string, Account> m_accounts;
    std::vector<Mail> m_mails;
    std::mt19937 m_random;
    std::function<void(const Mail &)> m_onMail;
};
