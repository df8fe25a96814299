#include "tools/poll/console_host.h"

#include <chrono>
#include <cstdio>

#include "engine/modbus_frames.h"
#include "tools/poll/poll_records.h"

void ReportException(int slave, int code)
{
    std::fprintf(stderr, "tarvix-poll: slave %d: exception %s\n", slave, ExceptionText(uint8_t(code)).c_str());
}

void ConsoleHost::Display(MODBUS_Thread &t)
{
    {
        std::lock_guard<std::mutex> lock(m_);
        if (cancelled_ || end_)
            return;
    }
    // The Display before the channel opens shows no exchange: a script's
    // first line is a real one.
    if (t.ReqCount.load(std::memory_order_relaxed) == 0)
        return;
    const uint8_t slave = rec_.SlaveAddr.load(std::memory_order_relaxed);
    ExchangeShown x;
    clock_gettime(CLOCK_REALTIME, &x.time);
    x.request = t.ReqCount.load(std::memory_order_relaxed);
    x.status = t.Status.load(std::memory_order_relaxed);
    x.errors = t.ErrorCount.load(std::memory_order_relaxed);
    x.req = t.Frames.ReqFrame;
    x.reqLen = t.Frames.ReqLen;
    x.reply = t.Frames.ReplyFrame;
    x.replyLen = t.Frames.ReplyLen;
    x.exception = x.status == ST_ADDR_CMD_ERROR ? ExceptionOfReply(t.Frames.ReplyFrame, t.Frames.ReplyLen,
                                                                   opt_.connType != 2 && !opt_.crcFraming, slave,
                                                                   uint8_t(t.LastCmd))
                                                : -1;
    // The image is only ever written on this thread, so it is read here
    // as it stands.
    uint16_t regs[kMaxRegCount];
    if (rec_.ValuesValid.load(std::memory_order_acquire)) {
        x.regCount = rec_.ReadableCount();
        for (int i = 0; i < x.regCount; ++i)
            regs[i] = rec_.RegValues[i].load(std::memory_order_relaxed);
        x.regs = regs;
    }
    uint8_t bits[kMaxBitCount];
    if (rec_.BitsValid.load(std::memory_order_acquire)) {
        x.regCount = rec_.ReadableBitCount();
        for (int i = 0; i < x.regCount; ++i)
            bits[i] = rec_.BitValues[i].load(std::memory_order_relaxed);
        x.bits = bits;
    }
    std::string text;
    if (opt_.format == OutputFormat::Csv && !headerDone_) {
        text = CsvHeader(ExchangeOutRecord(x, opt_), ValueColumns(opt_));
        headerDone_ = true;
    }
    text += FormatRecord(ExchangeOutRecord(x, opt_), opt_.format);
    if (!out_.Write(text)) {
        EndRun();
        return;
    }
    if (x.exception >= 0 && x.exception != lastException_)
        ReportException(slave, x.exception);
    lastException_ = x.exception;
    if (opt_.cycles > 0 && ++lines_ >= opt_.cycles) {
        EndRun();
        return;
    }
    // The write is handed over after the first good read, as a grid edit would.
    if ((opt_.write || opt_.writeCoil) && !writeSent_ && (x.regs || x.bits)) {
        if (opt_.writeCoil)
            rec_.HandOverCoilWrite(opt_.writeReg, opt_.coilValues.data(), uint16_t(opt_.coilValues.size()));
        else
            rec_.HandOverWrite(opt_.writeReg, opt_.writeValues.data(), uint16_t(opt_.writeValues.size()));
        writeSent_ = true;
    }
}

void ConsoleHost::EndRun()
{
    rec_.StopRequest.store(1, std::memory_order_release);
    std::lock_guard<std::mutex> lock(m_);
    end_ = true;
    cv_.notify_all();
}

void ConsoleHost::MessageBox(const std::string &text, const std::string &caption, int)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void ConsoleHost::ServeFor(int ms)
{
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return threadEnded_; });
}

bool ConsoleHost::WaitForEnd(int ms)
{
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return end_ || threadEnded_; });
}

void ConsoleHost::CancelWaits()
{
    std::lock_guard<std::mutex> lock(m_);
    cancelled_ = true;
}

void ConsoleHost::ResumeWaits()
{
    std::lock_guard<std::mutex> lock(m_);
    cancelled_ = false;
    threadEnded_ = false;
}

void ConsoleHost::ThreadEnded()
{
    std::lock_guard<std::mutex> lock(m_);
    threadEnded_ = true;
    cv_.notify_all();
}
