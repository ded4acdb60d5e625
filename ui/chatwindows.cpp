#include "ui/chatwindows.h"

#include "chat/channellist.h"
#include "chat/linkstree.h"
#include "chat/whois.h"
#include "ui/aboutform.h"
#include "ui/channellistform.h"
#include "ui/linksform.h"
#include "ui/whoisform.h"

TChatWindows::TChatWindows(ChannelList& channelList, Whois& whois, LinksTree& links,
                           QObject* parent)
    : QObject(parent)
    , m_channelList(channelList)
    , m_whois(whois)
    , m_links(links)
{
    // Each window connects itself to its core object when it is made; until then the first
    // request makes it and passes the request on.
    // (A connection made while a signal is being emitted is not called for that emission.)
    connect(&channelList, &ChannelList::showRequested, this, [this](bool modal) {
        if (!m_channelListForm)
            channelListForm()->showAsRequested(modal);
    });
    connect(&links, &LinksTree::showRequested, this, [this] {
        if (!m_linksForm)
            linksForm()->showList();
    });
    connect(&whois, &Whois::whoisReceived, this, &TChatWindows::showWhois);
}

TChatWindows::~TChatWindows() = default;

TChannelListForm* TChatWindows::channelListForm()
{
    if (!m_channelListForm)
        m_channelListForm = std::make_unique<TChannelListForm>(m_channelList);
    return m_channelListForm.get();
}

TWhoisForm* TChatWindows::whoisForm()
{
    if (!m_whoisForm)
        m_whoisForm = std::make_unique<TWhoisForm>();
    return m_whoisForm.get();
}

TLinksForm* TChatWindows::linksForm()
{
    if (!m_linksForm)
        m_linksForm = std::make_unique<TLinksForm>(m_links);
    return m_linksForm.get();
}

TAboutForm* TChatWindows::aboutForm()
{
    if (!m_aboutForm)
        m_aboutForm = std::make_unique<TAboutForm>();
    return m_aboutForm.get();
}

void TChatWindows::showAbout()
{
    TAboutForm* form = aboutForm();
    form->show();
    form->raise();
    form->activateWindow();
}

void TChatWindows::showWhois(const WhoisInfo& info)
{
    whoisForm()->showInfo(info);
}
