#pragma once

#include "LoopbackServer.h"
#include "MessageDialog.h"
#include "Origins.h"

#include <QStringList>

#include <map>
#include <mutex>

// What the client's form tests share: a loopback account server whose answer each test
// sets, a loopback site that records every page asked of it, and the messages the user
// would have read (answered with `answer`).
class ClientFixture
{
public:
    struct Message
    {
        MessageDialog::Type type;
        QString text;
    };

    ClientFixture()
    {
        m_account.server().Post(R"(/_pelorin/(\w+)\.php)", [this](const httplib::Request &req, httplib::Response &res) {
            std::lock_guard lock(m_mutex);
            m_accountRequests << QString::fromStdString(req.path + "?" + req.body);
            const auto own = m_scripts.find(req.matches[1]);
            res.status = own != m_scripts.end() ? own->second.first : m_status;
            res.set_content(own != m_scripts.end() ? own->second.second : m_body, "text/plain; charset=UTF-8");
        });
        m_site.server().Get(R"(/.*)", [this](const httplib::Request &req, httplib::Response &res) {
            {
                std::lock_guard lock(m_mutex);
                // The target as sent, with the client's own encoding of the query.
                m_pages << QString::fromStdString(req.target);
                const auto own = m_sitePages.find(req.path);
                if (own != m_sitePages.end()) {
                    res.set_content(own->second, "text/html; charset=UTF-8");
                    return;
                }
            }
            res.set_content("<html><head><title>t</title></head><body><p>page</p></body></html>",
                            "text/html; charset=UTF-8");
        });
        m_account.start();
        m_site.start();
        Origins origins = Origins::get();
        origins.account = m_account.origin();
        origins.site = m_site.origin();
        Origins::setForTesting(origins);
        MessageDialog::setHandlerForTesting(
            [this](MessageDialog::Type type, const QString &text, MessageDialog::Buttons) {
                messages.append({type, text});
                return answer;
            });
    }

    ~ClientFixture() { MessageDialog::setHandlerForTesting({}); }

    void answerAccount(int status, const std::string &body)
    {
        std::lock_guard lock(m_mutex);
        m_status = status;
        m_body = body;
    }

    // One script's own answer ("auth", "regist", "reminder", "change_pass").
    void answerScript(const std::string &script, int status, const std::string &body)
    {
        std::lock_guard lock(m_mutex);
        m_scripts[script] = {status, body};
    }

    // A page of the site's own, by path.
    void sitePage(const std::string &path, const std::string &html)
    {
        std::lock_guard lock(m_mutex);
        m_sitePages[path] = html;
    }

    QStringList pages()
    {
        std::lock_guard lock(m_mutex);
        return m_pages;
    }

    QStringList accountRequests()
    {
        std::lock_guard lock(m_mutex);
        return m_accountRequests;
    }

    QString siteOrigin() const { return m_site.origin(); }
    void stopAccountServer() { m_account.stop(); }

    QList<Message> messages;
    MessageDialog::Result answer = MessageDialog::Result::Ok;

private:
    LoopbackServer m_account;
    LoopbackServer m_site;
    std::mutex m_mutex;
    int m_status = 200;
    std::string m_body;
    std::map<std::string, std::pair<int, std::string>> m_scripts;
    std::map<std::string, std::string> m_sitePages;
    QStringList m_pages;
    QStringList m_accountRequests;
};
