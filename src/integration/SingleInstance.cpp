#include "integration/SingleInstance.h"

#include "integration/HandOffClient.h"

TSingleInstance::TSingleInstance(const std::string& dataDirectory)
    : server_(THandOffServer::SocketName(dataDirectory))
{
}

TSingleInstanceStart TSingleInstance::Start(const std::vector<std::string>& arguments,
                                            const std::string& workingFolder, std::string& error)
{
    try {
        pending_ = ParseHandOffArguments(arguments, workingFolder);
    } catch (const EHandOffMessageError& e) {
        error = e.what();
        return tsFailed;
    }
    // Two tries: an instance that is just starting may not listen yet.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (pending_) {
            switch (SendHandOff(server_.Name(), *pending_)) {
            case THandOffDelivery::Accepted:
                return tsHandedOver;
            case THandOffDelivery::Refused:
                error = "The running Tovrel FTP refused the request.";
                return tsFailed;
            case THandOffDelivery::NoInstance:
                break;
            }
        }
        if (server_.Listen() || !server_.OtherInstanceAnswered())
            return tsRunHere;
        if (!pending_) {
            // The user started the program again: show the one that runs.
            SendHandOff(server_.Name(), THandOffMessage::Activate(), 2000);
            return tsAlreadyRunning;
        }
    }
    error = "The running Tovrel FTP does not take requests.";
    return tsFailed;
}

void TSingleInstance::DeliverPending()
{
    if (!pending_)
        return;
    const THandOffMessage message = std::move(*pending_);
    pending_.reset();
    if (message.Type == THandOffMessage::WM_BROWSERURL) {
        if (server_.OnURL)
            server_.OnURL(message.Text);
    } else if (server_.OnFiles) {
        server_.OnFiles(message.Parameter, message.Paths());
    }
}
