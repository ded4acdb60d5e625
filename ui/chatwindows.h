#pragma once

// The chat's secondary windows: the channel list, the whois window, the server links window
// and the About window. One instance of each for the program's life, made the first time it
// is needed (so that building the program's objects makes no widget), and destroyed with this
// object.

#include <QObject>
#include <QPointer>
#include <memory>

class ChannelList;
class LinksTree;
class TAboutForm;
class TChannelListForm;
class TLinksForm;
class TWhoisForm;
class Whois;
struct WhoisInfo;

class TChatWindows final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChatWindows)

public:
    TChatWindows(ChannelList& channelList, Whois& whois, LinksTree& links,
                 QObject* parent = nullptr);
    ~TChatWindows() override;

    // Made on first use.
    TChannelListForm* channelListForm();
    TWhoisForm* whoisForm();
    TLinksForm* linksForm();
    TAboutForm* aboutForm();

    // The main menu's "About".
    void showAbout();

private:
    void showWhois(const WhoisInfo& info);

    ChannelList& m_channelList;
    Whois& m_whois;
    LinksTree& m_links;
    std::unique_ptr<TChannelListForm> m_channelListForm;
    std::unique_ptr<TWhoisForm> m_whoisForm;
    std::unique_ptr<TLinksForm> m_linksForm;
    std::unique_ptr<TAboutForm> m_aboutForm;
};
