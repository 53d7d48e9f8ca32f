#include "Accounts.h"

#include <cctype>

AccountStore::AccountStore(std::function<void(const Mail &)> onMail)
    : m_random(std::random_device {}())
    , m_onMail(std::move(onMail))
{
    m_accounts[key(kDemoAddress)] = Account {kDemoAddress, kDemoPassword, kDemoPoints, true};
}

std::string AccountStore::key(const std::string &address)
{
    std::string lowered = address;
    for (char &c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool AccountStore::isValidAddress(const std::string &address)
{
    const size_t at = address.find('@');
    if (at == std::string::npos || address.find('@', at + 1) != std::string::npos || address.size() > 254)
        return false;
    const std::string local = address.substr(0, at);
    const std::string domain = address.substr(at + 1);
    if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.'
        || local.find("..") != std::string::npos)
        return false;
    for (const char ch : local) {
        const auto c = static_cast<unsigned char>(ch);
        if (!std::isalnum(c) && c != '.' && c != '_' && c != '%' && c != '+' && c != '-')
            return false;
    }
    size_t labels = 0;
    size_t start = 0;
    while (start <= domain.size()) {
        size_t dot = domain.find('.', start);
        if (dot == std::string::npos)
            dot = domain.size();
        const std::string label = domain.substr(start, dot - start);
        if (label.empty() || label.front() == '-' || label.back() == '-')
            return false;
        for (const char ch : label) {
            if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '-')
                return false;
        }
        ++labels;
        start = dot + 1;
    }
    return labels >= 2;
}

std::string AccountStore::newPassword()
{
    std::uniform_int_distribution<int> digits(100000, 999999);
    return std::to_string(digits(m_random));
}

void AccountStore::send(const Mail &mail)
{
    if (m_onMail)
        m_onMail(mail);
}

AccountStore::AuthResult AccountStore::authenticate(const std::string &address, const std::string &password) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_accounts.find(key(address));
    if (it == m_accounts.end() || it->second.password != password)
        return {};
    return {true, it->second.points};
}

AccountStore::SignUpResult AccountStore::signUp(const std::string &address, bool wantsNotices)
{
    if (!isValidAddress(address))
        return SignUpResult::BadAddress;
    Mail mail;
    {
        const std::lock_guard lock(m_mutex);
        if (m_accounts.count(key(address)) != 0)
            return SignUpResult::AlreadyRegistered;
        const Account account {address, newPassword(), 0, wantsNotices};
        m_accounts[key(address)] = account;
        mail = Mail {address, account.password, MailKind::SignUp, wantsNotices, std::time(nullptr)};
        m_mails.push_back(mail);
    }
    send(mail);
    return SignUpResult::Created;
}

bool AccountStore::remind(const std::string &address)
{
    Mail mail;
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_accounts.find(key(address));
        if (it == m_accounts.end())
            return false;
        const Account &account = it->second;
        mail = Mail {account.address, account.password, MailKind::Reminder, account.wantsNotices, std::time(nullptr)};
        m_mails.push_back(mail);
    }
    send(mail);
    return true;
}

AccountStore::ChangeResult AccountStore::changePassword(const std::string &address, const std::string &current,
                                                        const std::string &next)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_accounts.find(key(address));
    if (it == m_accounts.end() || it->second.password != current)
        return ChangeResult::WrongAccount;
    if (next.size() < kMinPasswordLength)
        return ChangeResult::PasswordTooShort;
    it->second.password = next;
    return ChangeResult::Changed;
}

std::vector<AccountStore::Mail> AccountStore::mails() const
{
    const std::lock_guard lock(m_mutex);
    return m_mails;
}
