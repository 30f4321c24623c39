-- sp_MSS_LoadReferralNoticeCount: how many referrals from the medical team wait to be tagged.
-- Polled continuously by the main window, so it only counts on the status index.
-- params:
SELECT count(*) AS recCount FROM tbMSSReferralNotice WHERE Status = 'P';
