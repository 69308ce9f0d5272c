#include "foundation/http.h"

#include "foundation/rivo_socket.h"

http_class http;
std::vector<std::string> gProxyExclude;
