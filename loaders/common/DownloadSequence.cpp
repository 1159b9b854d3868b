#include "DownloadSequence.h"

#include "Crc32.h"

#include <algorithm>

namespace tbload {

using Status = BootClient::Status;
using Outcome = DownloadSequence::Outcome;

const char* DownloadReport::Name(Step step)
{
    switch (step) {
    case Step::Erase:
        return "erase";
    case Step::Block:
        return "block";
    case Step::Verify:
        break;
    }
    return "verify";
}

Outcome DownloadSequence::Failed(DownloadReport::Step step, const BootClient::Result& result, uint32_t address)
{
    m_report.Failed(step, result, address);
    return result.status == Status::NoAnswer  ? Outcome::NoAnswer
           : result.status == Status::Refused ? Outcome::Refused
                                              : Outcome::Failed;
}

std::optional<DownloadPlan> DownloadSequence::Prepare(const HexImage& image, Outcome* outcome)
{
    m_report.Searching();
    const auto target = m_client.Search(*m_settings.tag, m_settings.searchMs, [this](int) { m_report.SearchTry(); });
    *outcome = Outcome::Failed;
    if (!target) {
        const Status why = m_client.Silent();
        m_report.NotFound(why);
        if (why == Status::NoAnswer)
            *outcome = Outcome::NoTarget;
        return std::nullopt;
    }
    m_report.Found(*target);
    const uint64_t end = uint64_t(image.offset) + image.data.size();
    if (end > target->flashSize) {
        m_report.TooLarge(end, target->flashSize);
        return std::nullopt;
    }
    // The largest block both sides allow.
    const uint32_t own = m_settings.largestBlock;
    const uint32_t block = std::min<uint32_t>(own, target->largestBlock ? target->largestBlock : own);
    DownloadPlan plan = PlanDownload(image, block, m_settings.eraseMs);
    if (plan.commands.size() > DownloadPlan::kMaxCommands) {
        m_report.TooManyFrames(plan, block);
        return std::nullopt;
    }
    return plan;
}

Outcome DownloadSequence::Program(const DownloadPlan& plan)
{
    m_report.Erasing(plan);
    const auto r = m_client.Stream(plan.commands, [&](size_t i) { m_report.Taken(plan, i); });
    if (r.status != Status::Ok)
        return Failed(r.index == 0 ? DownloadReport::Step::Erase : DownloadReport::Step::Block, r,
                      plan.addresses[r.index]);
    m_report.Programmed();
    return Outcome::Done;
}

Outcome DownloadSequence::Check(const HexImage& image)
{
    std::vector<uint8_t> range;
    boot::PutU32(range, image.offset);
    boot::PutU32(range, uint32_t(image.data.size()));
    const auto verify = m_client.Exchange(boot::kVerify, range, boot::kVerifyBusyMs);
    if (verify.status != Status::Ok || verify.answer.command != boot::kCrc || verify.answer.payload.size() < 4)
        return Failed(DownloadReport::Step::Verify, verify, image.offset);
    const uint32_t fileCrc = Crc32(image.data.data(), image.data.size());
    const uint32_t targetCrc = boot::GetU32(verify.answer.payload.data());
    if (fileCrc != targetCrc) {
        m_report.CrcError(fileCrc, targetCrc);
        return Outcome::Failed;
    }
    m_report.CrcOk(fileCrc, targetCrc, m_client.Resends());
    m_report.Reset(m_client.Exchange(boot::kReset, {}).status == Status::Ok);
    return Outcome::Done;
}

Outcome DownloadSequence::Run(const HexImage& image)
{
    Outcome outcome = Outcome::Failed;
    const auto plan = Prepare(image, &outcome);
    if (!plan)
        return outcome;
    outcome = Program(*plan);
    return outcome == Outcome::Done ? Check(image) : outcome;
}

} // namespace tbload
