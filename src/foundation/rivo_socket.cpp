#include "foundation/rivo_socket.h"

RIVOSocket::~RIVOSocket() = default;
