// "更新软件": asks the product's web server whether a newer version exists.
#pragma once

class WebClient;
struct Services;

// Fetches the update descriptor, keeps it as soft.ini in the cache directory and tells the user
// whether its key gengxin of section set is "1" (a newer version) or not. A check that cannot get
// the descriptor says that it failed.
void CheckForUpdate(Services& s, WebClient& web);
