// Non-blocking TCP connections.
#pragma once

class RIVOSocket {
public:
	virtual ~RIVOSocket();
};
