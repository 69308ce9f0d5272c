// The one exception type: carries an alert's four lines and its throw site
// off a worker thread.
#pragma once
#include <string>

class exce_class {
public:
	exce_class();
	exce_class(std::string msg1, std::string msg2, std::string msg3, std::string msg4,
	           char const* file, int line);
	exce_class(exce_class const&) = default;
	exce_class& operator=(exce_class const&) = default;
	virtual ~exce_class();

	void ReportAndContinue();
	void LogAndContinue();

	std::string msg1;
	std::string msg2;
	std::string msg3;
	std::string msg4;
	char const* file;  // static text of the throw site, never owned
	int line;
};
