// The web link items of the menus and the contact message of the help menu.
#pragma once

#include <QList>
#include <QString>

struct Services;

// A menu item that opens a fixed web address.
struct WebLink {
    QString item;
    QString address;
};

// Every link item, in menu order: the 22 provinces of "烟草专卖网络(全国)", the two input-method
// download pages of "工具" and "官方网站" of "帮助".
const QList<WebLink>& webLinks();

// Opens the address of the link item with that menu text in the browser.
void OpenWebLink(Services& s, const QString& item);
// "联系作者".
void ShowContact(Services& s);
