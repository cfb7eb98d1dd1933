<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name></name>
    <message id="lp_tr_language">
        <source>English</source>
        <translation>English</translation>
    </message>
    <message id="lp_err_autoreconnect_failed">
        <source>couldn't auto-reconnect to device. Please, connect it manually later.</source>
        <translation>couldn't auto-reconnect to device. Please, connect it manually later.</translation>
    </message>
    <message id="lp_err_failed_manager_init">
        <source>failed to init: </source>
        <translation>failed to init: </translation>
    </message>
    <message id="lp_err_logger_cant_create_dirs">
        <source>failed to create dir used to store logs at: </source>
        <translation>failed to create dir used to store logs at: </translation>
    </message>
    <message id="lp_err_logger_cant_create_file">
        <source>failed to create log file at: </source>
        <translation>failed to create log file at: </translation>
    </message>
    <message id="lp_err_settings_cant_create_dirs">
        <source>failed to create dirs used to save profiles at: </source>
        <translation>failed to create dirs used to save profiles at: </translation>
    </message>
    <message id="lp_err_settings_cant_create_files">
        <source>failed to create files used to work with user profiles</source>
        <translation>failed to create files used to work with user profiles</translation>
    </message>
    <message id="lp_err_settings_cant_create_default">
        <source>default settings file cannot be generated at: </source>
        <translation>default settings file cannot be generated at: </translation>
    </message>
    <message id="lp_err_settings_custom_files_not_allowed">
        <source>you cannot set profile to use some custom file for writing: </source>
        <translation>you cannot set profile to use some custom file for writing: </translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_current">
        <source>you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>you were trying to rewrite 'current' preset, which is forbidden. Please, try again and choose different name of the file</translation>
    </message>
    <message id="lp_err_settings_damaged_profile">
        <source>the settings profile is damaged or is not a settings file, so it was not loaded: </source>
        <translation>the settings profile is damaged or is not a settings file, so it was not loaded: </translation>
    </message>
    <message id="lp_err_settings_cant_rewrite_default">
        <source>you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose different name of the file</source>
        <translation>you were trying to rewrite 'default' preset, which is forbidden. Please, try again and choose different name of the file</translation>
    </message>
    <message id="lp_err_tr_files_lost">
        <source>translation files cannot be found</source>
        <translation>translation files cannot be found</translation>
    </message>
    <message id="lp_util_failed_to_create">
        <source>failed to create dir [ %1 ] at: %2</source>
        <translation>failed to create dir [ %1 ] at: %2</translation>
    </message>
    <message id="lp_err_trace_cant_create_dirs">
        <source>failed to create dir used to store trace files at: </source>
        <translation>failed to create dir used to store trace files at: </translation>
    </message>
    <message id="lp_err_trace_cant_create_file">
        <source>failed to create trace file at: </source>
        <translation>failed to create trace file at: </translation>
    </message>
    <message id="lp_err_trace_cant_create_text_file">
        <source>failed to create trace text file at: </source>
        <translation>failed to create trace text file at: </translation>
    </message>
    <message id="lp_err_trace_cant_get_bw_values">
        <source>failed to get bandwidth values</source>
        <translation>failed to get bandwidth values</translation>
    </message>
    <message id="lp_err_trace_cant_read_file">
        <source>failed to read trace file at: </source>
        <translation>failed to read trace file at: </translation>
    </message>
    <message id="lp_err_trace_cant_read_text_file">
        <source>failed to read trace text file at: </source>
        <translation>failed to read trace text file at: </translation>
    </message>
    <message id="lp_err_cant_write_settings">
        <source>settings cannot be written</source>
        <translation>settings cannot be written</translation>
    </message>
    <message id="lp_err_calib_cant_create_dirs">
        <source>failed to create dir used to store calibration files at: </source>
        <translation>failed to create dir used to store calibration files at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_calib_table">
        <source>failed to create calib table at: </source>
        <translation>failed to create calib table at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_table_file">
        <source>failed to load calib table file at: </source>
        <translation>failed to load calib table file at: </translation>
    </message>
    <message id="lp_err_calib_no_dir">
        <source>failed to find dir used to store calibration files at: </source>
        <translation>failed to find dir used to store calibration files at: </translation>
    </message>
    <message id="lp_err_calib_cant_create_device_dir">
        <source>failed to create dir used to store calibration files for this device at: </source>
        <translation>failed to create dir used to store calibration files for this device at: </translation>
    </message>
    <message id="lp_err_last_calib_lost">
        <source>last used calibration for this device is missing. Falling back to the factory calibration</source>
        <translation>last used calibration for this device is missing. Falling back to the factory calibration</translation>
    </message>
    <message id="lp_err_last_calib_cant_open">
        <source>failed to load last used calibration for this device from path: </source>
        <translation>failed to load last used calibration for this device from path: </translation>
    </message>
    <message id="lp_err_calib_wrong_device">
        <source>given calib file cannot be loaded because it was saved for another device: </source>
        <translation>given calib file cannot be loaded because it was saved for another device: </translation>
    </message>
    <message id="lp_err_calib_last_isnt_complete">
        <source>calibration type is not 'full', thus cannot be saved</source>
        <translation>calibration type is not 'full', thus cannot be saved</translation>
    </message>
    <message id="lp_err_calib_cant_create_file">
        <source>failed to create calib file at: </source>
        <translation>failed to create calib file at: </translation>
    </message>
    <message id="lp_err_device_doesnt_have_this_calib">
        <source>tried to access nonexistent calibration. Falling back to the factory calibration</source>
        <translation>tried to access nonexistent calibration. Falling back to the factory calibration</translation>
    </message>
    <message id="lp_err_calib_no_factory_calib">
        <source>Factory calibration is null. Device seems to be broken. Please, contact support</source>
        <translation>Factory calibration is null. Device seems to be broken. Please, contact support</translation>
    </message>
    <message id="lp_err_calib_try_send_factory_calib">
        <source>tried to send factory calibration to device but it's not allowed</source>
        <translation>tried to send factory calibration to device but it's not allowed</translation>
    </message>
    <message id="lp_err_update_files_lost">
        <source>update files are lost for this device. Please, contact support</source>
        <translation>update files are lost for this device. Please, contact support</translation>
    </message>
    <message id="lp_ptraces_btn_save_file">
        <source> Save to file</source>
        <translation> Save to file</translation>
    </message>
    <message id="lp_ptraces_btn_load_file">
        <source> Load from file</source>
        <translation> Load from file</translation>
    </message>
    <message id="lp_ptraces_btn_rm_traces">
        <source>Remove traces</source>
        <translation>Remove traces</translation>
    </message>
    <message id="lp_pgtrace_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>save file dialog wasn't created</translation>
    </message>
    <message id="lp_pgtrace_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>load file dialog wasn't created</translation>
    </message>
    <message id="lp_pgtrace_load_unsupported_file_format">
        <source>cannot load trace using unsupported file format: </source>
        <translation>cannot load trace using unsupported file format: </translation>
    </message>
    <message id="lp_pgtrace_save_unsupported_file_format">
        <source>cannot save trace using unsupported file format: </source>
        <translation>cannot save trace using unsupported file format: </translation>
    </message>
    <message id="lp_pgtrace_save_dialog_title">
        <source>Save trace file</source>
        <translation>Save trace file</translation>
    </message>
    <message id="lp_pgtrace_load_dialog_title">
        <source>Load trace file</source>
        <translation>Load trace file</translation>
    </message>
    <message id="lp_pgtrace_trace_file_filters">
        <source>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p)</source>
        <translation>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p)</translation>
    </message>
    <message id="lp_pmark_show_marks">
        <source>Show markers</source>
        <translation>Show markers</translation>
    </message>
    <message id="lp_pmark_btn_rm_marks">
        <source>Remove markers</source>
        <translation>Remove markers</translation>
    </message>
    <message id="lp_err_enter_bad_freq">
        <source>entered bad freq</source>
        <translation>entered bad freq</translation>
    </message>
    <message id="lp_pcalib_open">
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message id="lp_pcalib_short">
        <source>Short</source>
        <translation>Short</translation>
    </message>
    <message id="lp_pcalib_load">
        <source>Load</source>
        <translation>Load</translation>
    </message>
    <message id="lp_pcalib_btn_do_calib">
        <source>Calibrate</source>
        <translation>Calibrate</translation>
    </message>
    <message id="lp_pcalib_btn_remove_all">
        <source>Remove all</source>
        <translation>Remove all</translation>
    </message>
    <message id="lp_pcalib_calib_device_title">
        <source>Device's calibs</source>
        <translation>Device's calibs</translation>
    </message>
    <message id="lp_pcalib_calib_slot">
        <source>Preset #</source>
        <translation>Preset #</translation>
    </message>
    <message id="lp_pcalib_slot_factory">
        <source>Factory</source>
        <translation>Factory</translation>
    </message>
    <message id="lp_pcalib_btn_download">
        <source>Get calibration
data</source>
        <translation>Get calibration
data</translation>
    </message>
    <message id="lp_pcalib_btn_upload">
        <source>Send calibration
data</source>
        <translation>Send calibration
data</translation>
    </message>
    <message id="lp_pcalib_btn_save">
        <source> Save calib
 to file</source>
        <translation> Save calib
 to file</translation>
    </message>
    <message id="lp_pcalib_btn_load">
        <source> Load calib
 from file</source>
        <translation> Load calib
 from file</translation>
    </message>
    <message id="lp_pgcalib_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>save file dialog wasn't created</translation>
    </message>
    <message id="lp_pgcalib_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>load file dialog wasn't created</translation>
    </message>
    <message id="lp_pgcalib_no_device_dir">
        <source>calib dir wasn't created for this device, thus no default path can be set</source>
        <translation>calib dir wasn't created for this device, thus no default path can be set</translation>
    </message>
    <message id="lp_pgcalib_save_dialog_title">
        <source>Save calibration file for this device</source>
        <translation>Save calibration file for this device</translation>
    </message>
    <message id="lp_pgcalib_load_dialog_title">
        <source>Load calibration file for this device</source>
        <translation>Load calibration file for this device</translation>
    </message>
    <message id="lp_pgcalib_calib_file_filters">
        <source>Calibration data (*.cbin);;All files (*)</source>
        <translation>Calibration data (*.cbin);;All files (*)</translation>
    </message>
    <message id="lp_psettings_language">
        <source>Language:</source>
        <translation>Language:</translation>
    </message>
    <message id="lp_psettings_interpolation_title">
        <source>Interpolation</source>
        <translation>Interpolation</translation>
    </message>
    <message id="lp_psettings_interpolation_enabled">
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message id="lp_psettings_preset_title">
        <source>Preset</source>
        <translation>Preset</translation>
    </message>
    <message id="lp_psettings_btn_save">
        <source> Save to file</source>
        <translation> Save to file</translation>
    </message>
    <message id="lp_psettings_btn_load">
        <source> Load from file</source>
        <translation> Load from file</translation>
    </message>
    <message id="lp_pgsettings_save_dialog_failed">
        <source>save file dialog wasn't created</source>
        <translation>save file dialog wasn't created</translation>
    </message>
    <message id="lp_pgsettings_load_dialog_failed">
        <source>load file dialog wasn't created</source>
        <translation>load file dialog wasn't created</translation>
    </message>
    <message id="lp_pgsettings_no_users_dir">
        <source>users dir wasn't created, thus no default path can be set</source>
        <translation>users dir wasn't created, thus no default path can be set</translation>
    </message>
    <message id="lp_pgsettings_cant_save_preset">
        <source>preset cannot be saved to: %1.
Please, check target location</source>
        <translation>preset cannot be saved to: %1.
Please, check target location</translation>
    </message>
    <message id="lp_pgsettings_cant_load_preset">
        <source>preset cannot be loaded from: %1
%2</source>
        <translation>preset cannot be loaded from: %1
%2</translation>
    </message>
    <message id="lp_pgsettings_preset_missing">
        <source>the file does not exist</source>
        <translation>the file does not exist</translation>
    </message>
    <message id="lp_pgsettings_preset_unreadable">
        <source>the file cannot be read</source>
        <translation>the file cannot be read</translation>
    </message>
    <message id="lp_pgsettings_preset_not_ini">
        <source>the file is not a settings profile</source>
        <translation>the file is not a settings profile</translation>
    </message>
    <message id="lp_pgsettings_save_dialog_title">
        <source>Save preset file</source>
        <translation>Save preset file</translation>
    </message>
    <message id="lp_pgsettings_load_dialog_title">
        <source>Load preset file</source>
        <translation>Load preset file</translation>
    </message>
    <message id="lp_pgsettings_preset_file_filters">
        <source>Preset file (*.ini);;All files (*)</source>
        <translation>Preset file (*.ini);;All files (*)</translation>
    </message>
    <message id="lp_pabout_appversion_title">
        <source>App version: </source>
        <translation>App version: </translation>
    </message>
    <message id="lp_pabout_about_qt">
        <source>About Qt</source>
        <translation>About Qt</translation>
    </message>
    <message id="lp_pabout_icons_credit">
        <source>Icons drawn for TolvekVNA and released with it.</source>
        <translation>Icons drawn for TolvekVNA and released with it.</translation>
    </message>
    <message id="lp_pabout_support_title">
        <source>Tech. support: </source>
        <translation>Tech. support: </translation>
    </message>
    <message id="lp_pcharts_btn_save_image">
        <source> Save image</source>
        <translation> Save image</translation>
    </message>
    <message id="lp_pgcharts_save_image_title">
        <source>Save image of the selected plot</source>
        <translation>Save image of the selected plot</translation>
    </message>
    <message id="lp_pgcharts_image_filters">
        <source>PNG image (*.png);;SVG image (*.svg)</source>
        <translation>PNG image (*.png);;SVG image (*.svg)</translation>
    </message>
    <message id="lp_pgcharts_cant_save_image">
        <source>image cannot be saved to: </source>
        <translation>image cannot be saved to: </translation>
    </message>
    <message id="devcon_err_cant_write_settings">
        <source>settings cannot be written</source>
        <translation>settings cannot be written</translation>
    </message>
    <message id="devcon_sp_btn_apply">
        <source> Apply</source>
        <translation> Apply</translation>
    </message>
    <message id="devcon_sp_btn_refresh">
        <source> Refresh</source>
        <translation> Refresh</translation>
    </message>
    <message id="devcon_sp_description">
        <source>Description:</source>
        <translation>Description:</translation>
    </message>
    <message id="devcon_sp_location">
        <source>Location:</source>
        <translation>Location:</translation>
    </message>
    <message id="devcon_sp_manufacturer">
        <source>Manufacturer:</source>
        <translation>Manufacturer:</translation>
    </message>
    <message id="devcon_sp_serial_number">
        <source>Serial number:</source>
        <translation>Serial number:</translation>
    </message>
    <message id="devcon_sp_window_title">
        <source>Select serial port..</source>
        <translation>Select serial port..</translation>
    </message>
    <message id="lp_err_got_old_device_text">
        <source>Your device's firmware version isn't considered compatible with this software. Please, update your device</source>
        <translation>Your device's firmware version isn't considered compatible with this software. Please, update your device</translation>
    </message>
    <message id="lp_err_got_old_device_title">
        <source>Warning: update is required</source>
        <translation>Warning: update is required</translation>
    </message>
    <message id="lp_menu_title">
        <source>Tolvek VNA</source>
        <translation>Tolvek VNA</translation>
    </message>
    <message id="lp_window_title">
        <source>Tolvek VNA</source>
        <translation>Tolvek VNA</translation>
    </message>
    <message id="lp_window_title_ver">
        <source>%1 ver. %2</source>
        <translation>%1 ver. %2</translation>
    </message>
    <message id="lp_page_title_menu">
        <source>Main menu</source>
        <translation>Main menu</translation>
    </message>
    <message id="lp_pmain_frequency">
        <source>Frequency</source>
        <translation>Frequency</translation>
    </message>
    <message id="lp_pmain_charts">
        <source>Plots</source>
        <translation>Plots</translation>
    </message>
    <message id="lp_pmain_traces">
        <source>Traces</source>
        <translation>Traces</translation>
    </message>
    <message id="lp_pmain_marks">
        <source>Markers</source>
        <translation>Markers</translation>
    </message>
    <message id="lp_pmain_calibration">
        <source>Calibration</source>
        <translation>Calibration</translation>
    </message>
    <message id="lp_pmain_update_firmware">
        <source>Device</source>
        <translation>Device</translation>
    </message>
    <message id="lp_pupdate_id">
        <source>ID: </source>
        <translation>ID: </translation>
    </message>
    <message id="lp_pupdate_current_version">
        <source>Current
version:</source>
        <translation>Current
version:</translation>
    </message>
    <message id="lp_pupdate_actual_version">
        <source>Latest
version:</source>
        <translation>Latest
version:</translation>
    </message>
    <message id="lp_pupdate_el_delay_title">
        <source>Electrical delay</source>
        <translation>Electrical delay</translation>
    </message>
    <message id="lp_pupdate_el_delay_value">
        <source>Value: </source>
        <translation>Value: </translation>
    </message>
    <message id="lp_units_picosec">
        <source>ps</source>
        <translation>ps</translation>
    </message>
    <message id="lp_pupdate_el_delay_enabled">
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message id="lp_pupdate_btn_check">
        <source>Check for updates</source>
        <translation>Check for updates</translation>
    </message>
    <message id="lp_pupdate_btn_update">
        <source>Update firmware</source>
        <translation>Update firmware</translation>
    </message>
    <message id="lp_pupdate_updating">
        <source>Writing the new firmware to the analyser.
Do not unplug it or close the program until the update is finished.</source>
        <translation>Writing the new firmware to the analyser.
Do not unplug it or close the program until the update is finished.</translation>
    </message>
    <message id="lp_pupdate_new_update_title">
        <source>New firmware version is available</source>
        <translation>New firmware version is available</translation>
    </message>
    <message id="lp_pupdate_new_update_text">
        <source>Firmware %2 is available; the analyser runs %1.
Would you like to update it now?</source>
        <translation>Firmware %2 is available; the analyser runs %1.
Would you like to update it now?</translation>
    </message>
    <message id="lp_pupdate_no_update_title">
        <source>Firmware is up-to-date</source>
        <translation>Firmware is up-to-date</translation>
    </message>
    <message id="lp_pupdate_no_update_text">
        <source>You have the latest firmware version installed.</source>
        <translation>You have the latest firmware version installed.</translation>
    </message>
    <message id="lp_pupdate_reboot_update_title">
        <source>Notification: firmware update</source>
        <translation>Notification: firmware update</translation>
    </message>
    <message id="lp_pupdate_reboot_update_text">
        <source>For the update the analyser restarts in its update mode; then firmware %1 is downloaded and written to it. Do not unplug the analyser until the update is finished.
Click OK to start, or Cancel to keep the firmware it runs.</source>
        <translation>For the update the analyser restarts in its update mode; then firmware %1 is downloaded and written to it. Do not unplug the analyser until the update is finished.
Click OK to start, or Cancel to keep the firmware it runs.</translation>
    </message>
    <message id="lp_pupdate_reboot_app_title">
        <source>Firmware updated</source>
        <translation>Firmware updated</translation>
    </message>
    <message id="lp_pupdate_reboot_app_text">
        <source>Updated to %1.</source>
        <translation>Updated to %1.</translation>
    </message>
    <message id="lp_pupdate_update_failed_title">
        <source>Firmware update failed</source>
        <translation>Firmware update failed</translation>
    </message>
    <message id="lp_pupdate_no_server_title">
        <source>No update server</source>
        <translation>No update server</translation>
    </message>
    <message id="lp_pupdate_no_server_text">
        <source>No update server is configured, so new firmware cannot be looked for or downloaded.</source>
        <translation>No update server is configured, so new firmware cannot be looked for or downloaded.</translation>
    </message>
    <message id="lp_pupdate_check_failed_title">
        <source>Check for updates failed</source>
        <translation>Check for updates failed</translation>
    </message>
    <message id="lp_pupdate_check_failed_text">
        <source>The newest firmware version could not be obtained. %1</source>
        <translation>The newest firmware version could not be obtained. %1</translation>
    </message>
    <message id="lp_pupdate_download_failed_text">
        <source>The firmware file could not be obtained. %1
Nothing was sent to the device; you can start the update again.</source>
        <translation>The firmware file could not be obtained. %1
Nothing was sent to the device; you can start the update again.</translation>
    </message>
    <message id="lp_pupdate_interrupted_text">
        <source>The firmware update was interrupted. The device is waiting in its bootloader and cannot measure until it gets new firmware.
Please, check the USB connection and connect the device again: the update will then be offered once more.</source>
        <translation>The firmware update was interrupted. The device is waiting in its bootloader and cannot measure until it gets new firmware.
Please, check the USB connection and connect the device again: the update will then be offered once more.</translation>
    </message>
    <message id="lp_pupdate_bootloader_title">
        <source>The device is in its bootloader</source>
        <translation>The device is in its bootloader</translation>
    </message>
    <message id="lp_pupdate_bootloader_text">
        <source>The device is waiting in its bootloader for new firmware and cannot measure until it gets it. Would you like to update its firmware now?</source>
        <translation>The device is waiting in its bootloader for new firmware and cannot measure until it gets it. Would you like to update its firmware now?</translation>
    </message>
    <message id="lp_pupdate_restarting">
        <source>The analyser restarts with its new firmware.
Do not unplug it.</source>
        <translation>The analyser restarts with its new firmware.
Do not unplug it.</translation>
    </message>
    <message id="lp_pupdate_not_back_title">
        <source>The analyser did not come back</source>
        <translation>The analyser did not come back</translation>
    </message>
    <message id="lp_pupdate_not_back_text">
        <source>The new firmware was written, but the analyser did not come back. Please, check the USB connection and connect it again.</source>
        <translation>The new firmware was written, but the analyser did not come back. Please, check the USB connection and connect it again.</translation>
    </message>
    <message id="lp_pupdate_newest_unknown">
        <source>of the newest version</source>
        <translation>of the newest version</translation>
    </message>
    <message id="lp_pupdate_reason_no_server">
        <source>No update server is configured.</source>
        <translation>No update server is configured.</translation>
    </message>
    <message id="lp_pupdate_reason_unreachable">
        <source>The update server cannot be reached; please, check the network connection and try again later.</source>
        <translation>The update server cannot be reached; please, check the network connection and try again later.</translation>
    </message>
    <message id="lp_pupdate_reason_no_file">
        <source>The update server has no firmware for this device.</source>
        <translation>The update server has no firmware for this device.</translation>
    </message>
    <message id="lp_pupdate_reason_refused">
        <source>The update server refused the request or sent an answer that cannot be read.</source>
        <translation>The update server refused the request or sent an answer that cannot be read.</translation>
    </message>
    <message id="lp_pmain_settings">
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message id="lp_pmain_about">
        <source>About</source>
        <translation>About</translation>
    </message>
    <message id="lp_pfreq_center">
        <source>Center:</source>
        <translation>Center:</translation>
    </message>
    <message id="lp_pfreq_span">
        <source>Span:</source>
        <translation>Span:</translation>
    </message>
    <message id="lp_pfreq_points">
        <source>Points:</source>
        <translation>Points:</translation>
    </message>
    <message id="lp_pfreq_bw">
        <source>BW:</source>
        <translation>BW:</translation>
    </message>
    <message id="lp_units_khz">
        <source>kHz</source>
        <translation>kHz</translation>
    </message>
    <message id="lp_pplots_type">
        <source>Type:</source>
        <translation>Type:</translation>
    </message>
    <message id="lp_pplots_config">
        <source>Configuration:</source>
        <translation>Configuration:</translation>
    </message>
    <message id="lp_pplots_traces_title">
        <source>Traces</source>
        <translation>Traces</translation>
    </message>
    <message id="lp_pplots_show_traces">
        <source> Show all</source>
        <translation> Show all</translation>
    </message>
    <message id="lp_pplots_hide_traces">
        <source> Hide all</source>
        <translation> Hide all</translation>
    </message>
    <message id="lp_pgcharts_no_settings">
        <source>No settings available.</source>
        <translation>No settings available.</translation>
    </message>
    <message id="lp_pgcharts_grid_step_title">
        <source>Grid step</source>
        <translation>Grid step</translation>
    </message>
    <message id="lp_pgcharts_grid_step_value">
        <source>Value: </source>
        <translation>Value: </translation>
    </message>
    <message id="lp_pgcharts_swr_title">
        <source>SWR limit line</source>
        <translation>SWR limit line</translation>
    </message>
    <message id="lp_pgcharts_swr_value">
        <source>Value: </source>
        <translation>Value: </translation>
    </message>
    <message id="lp_pgcharts_swr_enabled">
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message id="lp_pgcharts_loss_type">
        <source>Type: </source>
        <translation>Type: </translation>
    </message>
    <message id="lp_pgcharts_loss_length">
        <source>Value: </source>
        <translation>Value: </translation>
    </message>
    <message id="lp_pgcharts_dtf_title">
        <source>Scale</source>
        <translation>Scale</translation>
    </message>
    <message id="lp_pgcharts_dtf_start">
        <source>Start: </source>
        <translation>Start: </translation>
    </message>
    <message id="lp_pgcharts_dtf_stop">
        <source>Stop: </source>
        <translation>Stop: </translation>
    </message>
    <message id="lp_pgcharts_dtf_center">
        <source>Center: </source>
        <translation>Center: </translation>
    </message>
    <message id="lp_pgcharts_dtf_span">
        <source>Span: </source>
        <translation>Span: </translation>
    </message>
    <message id="lp_pgcharts_dtf_domain">
        <source>Domain: </source>
        <translation>Domain: </translation>
    </message>
    <message id="lp_pgcharts_dtf_vf">
        <source>VF: </source>
        <translation>VF: </translation>
    </message>
    <message id="lp_chart_type_smith">
        <source>Smith</source>
        <translation>Smith</translation>
    </message>
    <message id="lp_chart_type_polar">
        <source>Polar</source>
        <translation>Polar</translation>
    </message>
    <message id="lp_chart_type_phase">
        <source>Phase</source>
        <translation>Phase</translation>
    </message>
    <message id="lp_chart_type_lin_mag">
        <source>Lin. mag.</source>
        <translation>Lin. mag.</translation>
    </message>
    <message id="lp_chart_type_log_mag">
        <source>Log. mag.</source>
        <translation>Log. mag.</translation>
    </message>
    <message id="lp_chart_type_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_chart_type_dtf">
        <source>DTF</source>
        <translation>DTF</translation>
    </message>
    <message id="lp_chart_type_loss">
        <source>Loss</source>
        <translation>Loss</translation>
    </message>
    <message id="lp_dtf_time">
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message id="lp_dtf_distance">
        <source>Distance</source>
        <translation>Distance</translation>
    </message>
    <message id="lp_units_dtf_time">
        <source>ns</source>
        <translation>ns</translation>
    </message>
    <message id="lp_units_dtf_distance">
        <source>m</source>
        <translation>m</translation>
    </message>
    <message id="lp_axis_title_frequency">
        <source>Frequency</source>
        <translation>Frequency</translation>
    </message>
    <message id="lp_axis_title_angle">
        <source>Angle</source>
        <translation>Angle</translation>
    </message>
    <message id="lp_axis_title_voltage">
        <source>Voltage</source>
        <translation>Voltage</translation>
    </message>
    <message id="lp_axis_title_level">
        <source>Level</source>
        <translation>Level</translation>
    </message>
    <message id="lp_axis_title_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_units_mhz">
        <source>MHz</source>
        <translation>MHz</translation>
    </message>
    <message id="lp_units_loss_db">
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message id="lp_units_loss_dbm">
        <source>dB/m</source>
        <translation>dB/m</translation>
    </message>
    <message id="lp_units_db">
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message id="lp_units_mv">
        <source>mV</source>
        <translation>mV</translation>
    </message>
    <message id="lp_units_angle">
        <source>°</source>
        <translation>°</translation>
    </message>
    <message id="lp_units_ohm">
        <source>Ohm</source>
        <translation>Ohm</translation>
    </message>
    <message id="lp_units_msiemens">
        <source>mS</source>
        <translation>mS</translation>
    </message>
    <message id="lp_units_nanohenry">
        <source>nH</source>
        <translation>nH</translation>
    </message>
    <message id="lp_units_picofarad">
        <source>pF</source>
        <translation>pF</translation>
    </message>
    <message id="lp_mark_type_re_im">
        <source>Re[mV], Im[mV]</source>
        <translation>Re[mV], Im[mV]</translation>
    </message>
    <message id="lp_mark_type_mag">
        <source>Mag[mV], Phase[°]</source>
        <translation>Mag[mV], Phase[°]</translation>
    </message>
    <message id="lp_mark_type_lmag">
        <source>Log. Mag[dB], Phase[°]</source>
        <translation>Log. Mag[dB], Phase[°]</translation>
    </message>
    <message id="lp_mark_type_swr">
        <source>SWR</source>
        <translation>SWR</translation>
    </message>
    <message id="lp_mark_type_imped">
        <source>Imp. R[Ohm], X[Ohm]
L[nH] / C[pF]</source>
        <translation>Imp. R[Ohm], X[Ohm]
L[nH] / C[pF]</translation>
    </message>
    <message id="lp_mark_type_admit">
        <source>Adm. G[mS], B[mS]
L[nH] / C[pF]</source>
        <translation>Adm. G[mS], B[mS]
L[nH] / C[pF]</translation>
    </message>
    <message id="lp_mark_type_loss">
        <source>Loss (trace)</source>
        <translation>Loss (trace)</translation>
    </message>
    <message id="lp_mark_type_dtf_point">
        <source>DTF Point</source>
        <translation>DTF Point</translation>
    </message>
    <message id="lp_mark_type_dtf_peak">
        <source>DTF Peak</source>
        <translation>DTF Peak</translation>
    </message>
    <message id="lp_mark_type_trace">
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message id="lp_mark_type_min_value">
        <source>Min.</source>
        <translation>Min.</translation>
    </message>
    <message id="lp_mark_type_max_value">
        <source>Max.</source>
        <translation>Max.</translation>
    </message>
    <message id="lp_mark_no_data">
        <source>No data.</source>
        <translation>No data.</translation>
    </message>
    <message id="lp_complex_real">
        <source>Re:</source>
        <translation>Re:</translation>
    </message>
    <message id="lp_complex_imag">
        <source>Im:</source>
        <translation>Im:</translation>
    </message>
    <message id="lp_mark_mag">
        <source>Mg:</source>
        <translation>Mg:</translation>
    </message>
    <message id="lp_mark_ph">
        <source>Ph:</source>
        <translation>Ph:</translation>
    </message>
    <message id="lp_mark_lmag">
        <source>LMg:</source>
        <translation>LMg:</translation>
    </message>
    <message id="lp_mark_swr">
        <source>SWR:</source>
        <translation>SWR:</translation>
    </message>
    <message id="lp_mark_inf">
        <source>Inf.</source>
        <translation>Inf.</translation>
    </message>
    <message id="lp_mark_loss">
        <source>Loss:</source>
        <translation>Loss:</translation>
    </message>
    <message id="lp_mark_amp">
        <source>Amplitude:</source>
        <translation>Amplitude:</translation>
    </message>
    <message id="lp_pfreq_start">
        <source>Start:</source>
        <translation>Start:</translation>
    </message>
    <message id="lp_pfreq_stop">
        <source>Stop:</source>
        <translation>Stop:</translation>
    </message>
    <message id="lp_chart_info_points">
        <source>Points:</source>
        <translation>Points:</translation>
    </message>
    <message id="lp_err_chart_type_bad">
        <source>chart type must be set</source>
        <translation>chart type must be set</translation>
    </message>
    <message id="lp_err_remote_cant_listen">
        <source>remote control cannot listen on port: </source>
        <translation>remote control cannot listen on port: </translation>
    </message>
    <message id="lp_psettings_remote_title">
        <source>Remote control</source>
        <translation>Remote control</translation>
    </message>
    <message id="lp_psettings_remote_enabled">
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message id="lp_psettings_remote_port">
        <source>Port:</source>
        <translation>Port:</translation>
    </message>
    <message id="lp_err_chart_image_format">
        <source>unsupported image format, use .png or .svg: </source>
        <translation>unsupported image format, use .png or .svg: </translation>
    </message>
    <message id="lp_err_chart_image_cant_write">
        <source>failed to write the chart image to: </source>
        <translation>failed to write the chart image to: </translation>
    </message>
    <message id="lp_report_default_title">
        <source>Measurement report</source>
        <translation>Measurement report</translation>
    </message>
    <message id="lp_report_date">
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message id="lp_report_program">
        <source>Program</source>
        <translation>Program</translation>
    </message>
    <message id="lp_report_analyser">
        <source>Analyser</source>
        <translation>Analyser</translation>
    </message>
    <message id="lp_report_firmware">
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message id="lp_report_no_analyser">
        <source>no analyser connected</source>
        <translation>no analyser connected</translation>
    </message>
    <message id="lp_report_sweep">
        <source>Sweep</source>
        <translation>Sweep</translation>
    </message>
    <message id="lp_report_start">
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message id="lp_report_stop">
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message id="lp_report_points">
        <source>Points</source>
        <translation>Points</translation>
    </message>
    <message id="lp_report_bandwidth">
        <source>Bandwidth</source>
        <translation>Bandwidth</translation>
    </message>
    <message id="lp_report_no_sweep">
        <source>nothing measured</source>
        <translation>nothing measured</translation>
    </message>
    <message id="lp_report_calibration">
        <source>Calibration</source>
        <translation>Calibration</translation>
    </message>
    <message id="lp_report_calibration_none">
        <source>none (raw data)</source>
        <translation>none (raw data)</translation>
    </message>
    <message id="lp_report_calibration_factory">
        <source>factory calibration</source>
        <translation>factory calibration</translation>
    </message>
    <message id="lp_report_calibration_user">
        <source>user calibration %1 of %2</source>
        <translation>user calibration %1 of %2</translation>
    </message>
    <message id="lp_report_calibration_grid">
        <source>%1 to %2, %3 points</source>
        <translation>%1 to %2, %3 points</translation>
    </message>
    <message id="lp_report_el_delay">
        <source>Electrical delay</source>
        <translation>Electrical delay</translation>
    </message>
    <message id="lp_report_views">
        <source>Charts</source>
        <translation>Charts</translation>
    </message>
    <message id="lp_report_no_views">
        <source>No chart is shown.</source>
        <translation>No chart is shown.</translation>
    </message>
    <message id="lp_report_view_caption">
        <source>View %1: %2</source>
        <translation>View %1: %2</translation>
    </message>
    <message id="lp_report_markers">
        <source>Markers</source>
        <translation>Markers</translation>
    </message>
    <message id="lp_report_no_markers">
        <source>No markers are set.</source>
        <translation>No markers are set.</translation>
    </message>
    <message id="lp_report_col_view">
        <source>View</source>
        <translation>View</translation>
    </message>
    <message id="lp_report_col_marker">
        <source>Marker</source>
        <translation>Marker</translation>
    </message>
    <message id="lp_report_col_position">
        <source>Frequency / position</source>
        <translation>Frequency / position</translation>
    </message>
    <message id="lp_report_col_readout">
        <source>Readout</source>
        <translation>Readout</translation>
    </message>
    <message id="lp_report_note">
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message id="lp_report_page">
        <source>Page %1 of %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message id="lp_report_dialog_title">
        <source>Measurement report</source>
        <translation>Measurement report</translation>
    </message>
    <message id="lp_report_dialog_heading">
        <source>Title (optional):</source>
        <translation>Title (optional):</translation>
    </message>
    <message id="lp_report_dialog_note">
        <source>Note (optional):</source>
        <translation>Note (optional):</translation>
    </message>
    <message id="lp_report_dialog_next">
        <source>Choose file…</source>
        <translation>Choose file…</translation>
    </message>
    <message id="lp_report_dialog_cancel">
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="lp_report_btn">
        <source> Report</source>
        <translation> Report</translation>
    </message>
    <message id="lp_report_save_title">
        <source>Save the report</source>
        <translation>Save the report</translation>
    </message>
    <message id="lp_report_filters">
        <source>PDF report (*.pdf)</source>
        <translation>PDF report (*.pdf)</translation>
    </message>
    <message id="lp_report_cant_write">
        <source>failed to write the report: </source>
        <translation>failed to write the report: </translation>
    </message>
    <message id="lp_pgtrace_touchstone_options">
        <source>Touchstone:</source>
        <translation>Touchstone:</translation>
    </message>
    <message id="lp_pgtrace_touchstone_tooltip">
        <source>Data format and frequency unit of saved .s1p files</source>
        <translation>Data format and frequency unit of saved .s1p files</translation>
    </message>
    <message id="lp_pgtrace_save_file_filters">
        <source>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p);;CSV table (*.csv)</source>
        <translation>All files (*);;Trace data (*.tbin);;Text file (*.dat);;Touchstone (*.s1p);;CSV table (*.csv)</translation>
    </message>
    <message id="lp_pmarkers_btn_export_csv">
        <source> Export CSV</source>
        <translation> Export CSV</translation>
    </message>
    <message id="lp_pmarkers_export_title">
        <source>Export the markers</source>
        <translation>Export the markers</translation>
    </message>
    <message id="lp_pmarkers_export_filters">
        <source>CSV table (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message id="lp_pmarkers_cant_export">
        <source>failed to write the marker table: </source>
        <translation>failed to write the marker table: </translation>
    </message>
    <message id="lp_report_data">
        <source>Data</source>
        <translation>Data</translation>
    </message>
    <message id="lp_units_hz">
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message id="lp_cal_source_grid">
        <source>%1–%2 MHz, %3 pts</source>
        <translation>%1–%2 MHz, %3 pts</translation>
    </message>
    <message id="lp_cal_source_factory">
        <source>Cal: factory</source>
        <translation>Cal: factory</translation>
    </message>
    <message id="lp_cal_source_slot">
        <source>Cal: analyser slot %1, %2</source>
        <translation>Cal: analyser slot %1, %2</translation>
    </message>
    <message id="lp_cal_source_user">
        <source>Cal: user %1, %2</source>
        <translation>Cal: user %1, %2</translation>
    </message>
    <message id="lp_cal_source_none">
        <source>Cal: none (uncorrected)</source>
        <translation>Cal: none (uncorrected)</translation>
    </message>
    <message id="lp_mark_freq">
        <source>F:</source>
        <translation>F:</translation>
    </message>
    <message id="lp_mark_out_of_range">
        <source>out of range</source>
        <translation>out of range</translation>
    </message>
    <message id="lp_mark_delta_offset">
        <source>Offset:</source>
        <translation>Offset:</translation>
    </message>
    <message id="lp_mark_not_live">
        <source>(not live: last sweep)</source>
        <translation>(not live: last sweep)</translation>
    </message>
    <message id="lp_view_disconnected">
        <source>Analyser disconnected: last sweep %1</source>
        <translation>Analyser disconnected: last sweep %1</translation>
    </message>
    <message id="lp_view_not_connected">
        <source>No analyser connected</source>
        <translation>No analyser connected</translation>
    </message>
    <message id="lp_entry_refused_negative">
        <source>"%1" refused: a frequency cannot be negative</source>
        <translation>"%1" refused: a frequency cannot be negative</translation>
    </message>
    <message id="lp_entry_clamped">
        <source>%1 is outside %3 … %4: took %2</source>
        <translation>%1 is outside %3 … %4: took %2</translation>
    </message>
    <message id="lp_pfreq_refused_zero_span">
        <source>Refused: the sweep would have zero span</source>
        <translation>Refused: the sweep would have zero span</translation>
    </message>
    <message id="lp_pfreq_took">
        <source>%1 took %2 MHz instead of %3 MHz (analyser range %4–%5 MHz)</source>
        <translation>%1 took %2 MHz instead of %3 MHz (analyser range %4–%5 MHz)</translation>
    </message>
    <message id="lp_pfreq_moved">
        <source>%1 %2 MHz: %3 moved to %4 MHz to keep the sweep valid</source>
        <translation>%1 %2 MHz: %3 moved to %4 MHz to keep the sweep valid</translation>
    </message>
    <message id="lp_pdtf_took">
        <source>Took %1 instead of %2: limited by the sweep's distance and time range</source>
        <translation>Took %1 instead of %2: limited by the sweep's distance and time range</translation>
    </message>
    <message id="lp_pcalib_state_measuring">
        <source>measuring…</source>
        <translation>measuring…</translation>
    </message>
    <message id="lp_pcalib_state_not_measured">
        <source>not measured</source>
        <translation>not measured</translation>
    </message>
    <message id="lp_pcalib_state_measured_at">
        <source>measured %1</source>
        <translation>measured %1</translation>
    </message>
    <message id="lp_pcalib_state_measured">
        <source>measured</source>
        <translation>measured</translation>
    </message>
    <message id="lp_pcalib_active">
        <source>In use: %1</source>
        <translation>In use: %1</translation>
    </message>
    <message id="lp_pcalib_active_file">
        <source>File: %1</source>
        <translation>File: %1</translation>
    </message>
    <message id="lp_view_calibration_for">
        <source>Analyser %1 connected. %2</source>
        <translation>Analyser %1 connected. %2</translation>
    </message>
    <message id="lp_cal_lines_slot">
        <source>Cal: slot %1</source>
        <translation>Cal: slot %1</translation>
    </message>
    <message id="lp_cal_lines_user">
        <source>Cal: user %1</source>
        <translation>Cal: user %1</translation>
    </message>
    <message id="lp_cal_lines_none">
        <source>Cal: none</source>
        <translation>Cal: none</translation>
    </message>
    <message id="lp_port_err_permission">
        <source>Cannot open %1: permission denied. Your user is not in the group that owns serial devices. Run  sudo usermod -aG dialout $USER  and then log out and in again.</source>
        <translation>Cannot open %1: permission denied. Your user is not in the group that owns serial devices. Run  sudo usermod -aG dialout $USER  and then log out and in again.</translation>
    </message>
    <message id="lp_port_err_busy">
        <source>Cannot open %1: the port is busy. Another program has it open, or the modem manager is probing the freshly plugged analyser: wait a few seconds and try again. The udev rule 60-tolvekvna.rules keeps the modem manager away (the package installs it; from a source checkout copy packaging/60-tolvekvna.rules to /etc/udev/rules.d/).</source>
        <translation>Cannot open %1: the port is busy. Another program has it open, or the modem manager is probing the freshly plugged analyser: wait a few seconds and try again. The udev rule 60-tolvekvna.rules keeps the modem manager away (the package installs it; from a source checkout copy packaging/60-tolvekvna.rules to /etc/udev/rules.d/).</translation>
    </message>
    <message id="lp_port_err_missing">
        <source>Cannot open %1: the port is gone. Check the cable, wait until the analyser is listed again and pick it.</source>
        <translation>Cannot open %1: the port is gone. Check the cable, wait until the analyser is listed again and pick it.</translation>
    </message>
    <message id="lp_port_err_other">
        <source>Cannot open %1: %2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message id="lp_devcon_no_analyser">
        <source>No analyser listed. Plug it in and wait a few seconds until its port appears; only ports whose manufacturer names the analyser's USB interface are listed. Without an analyser, start the emulator (vna-emulator).</source>
        <translation>No analyser listed. Plug it in and wait a few seconds until its port appears; only ports whose manufacturer names the analyser's USB interface are listed. Without an analyser, start the emulator (vna-emulator).</translation>
    </message>
    <message id="lp_err_data_dir_unusable">
        <source>The data folder %1 cannot be used. Logs, settings, calibrations and traces of this session are not kept. Choose another folder with --data-dir or TOLVEKVNA_DATA_DIR.</source>
        <translation>The data folder %1 cannot be used. Logs, settings, calibrations and traces of this session are not kept. Choose another folder with --data-dir or TOLVEKVNA_DATA_DIR.</translation>
    </message>
    <message id="lp_err_settings_cant_write">
        <source>settings could not be written, the previous file is kept: </source>
        <translation>settings could not be written, the previous file is kept: </translation>
    </message>
    <message id="lp_pabout_data_dir_title">
        <source>Data folder: </source>
        <translation>Data folder: </translation>
    </message>
    <message id="lp_notice_repeated">
        <source>%1 (%2 times)</source>
        <translation>%1 (%2 times)</translation>
    </message>
    <message id="lp_notice_critical_title">
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message id="lp_notice_fatal_title">
        <source>Fatal error</source>
        <translation>Fatal error</translation>
    </message>
    <message id="lp_notice_waiting">
        <source>%1 more</source>
        <translation>%1 more</translation>
    </message>
    <message id="lp_notice_dismiss">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="lp_err_calib_too_many_points">
        <source>a calibration holds at most 1000 points; reduce the number of points to calibrate. The sweep has: </source>
        <translation>a calibration holds at most 1000 points; reduce the number of points to calibrate. The sweep has: </translation>
    </message>
    <message id="lp_pabout_qt_text">
        <source>&lt;h3&gt;About Qt&lt;/h3&gt;&lt;p&gt;This program uses Qt version %1.&lt;/p&gt;&lt;p&gt;Qt is a C++ toolkit for cross-platform application development, available under the GNU Lesser General Public License version 3 and the GNU General Public License version 3.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;About Qt&lt;/h3&gt;&lt;p&gt;This program uses Qt version %1.&lt;/p&gt;&lt;p&gt;Qt is a C++ toolkit for cross-platform application development, available under the GNU Lesser General Public License version 3 and the GNU General Public License version 3.&lt;/p&gt;</translation>
    </message>
    <message id="lp_image_calib_none">
        <source>no calibration</source>
        <translation>no calibration</translation>
    </message>
    <message id="lp_image_calib_file">
        <source>calibration: %1</source>
        <translation>calibration: %1</translation>
    </message>
    <message id="lp_image_calib_device">
        <source>calibration: the analyser's own</source>
        <translation>calibration: the analyser's own</translation>
    </message>
    <message id="lp_image_sweep">
        <source>%1 to %2, %3 points</source>
        <translation>%1 to %2, %3 points</translation>
    </message>
    <message id="lp_image_no_device">
        <source>no analyser</source>
        <translation>no analyser</translation>
    </message>
    <message id="lp_err_chart_image_size">
        <source>the image size must be %1 to %2 pixels a side</source>
        <translation>the image size must be %1 to %2 pixels a side</translation>
    </message>
    <message id="lp_chart_info_average">
        <source>avg %1</source>
        <translation>avg %1</translation>
    </message>
    <message id="lp_kit_editor_title">
        <source>Calibration kit</source>
        <translation>Calibration kit</translation>
    </message>
    <message id="lp_kit_name">
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message id="lp_kit_save">
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message id="lp_kit_close">
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message id="lp_kit_bad_name">
        <source>'%1' cannot be a kit name: use letters, digits, '-', '_' or '.', not 'Ideal'</source>
        <translation>'%1' cannot be a kit name: use letters, digits, '-', '_' or '.', not 'Ideal'</translation>
    </message>
    <message id="lp_kit_bad_value">
        <source>%1 is not a number: %2</source>
        <translation>%1 is not a number: %2</translation>
    </message>
    <message id="lp_kit_refused">
        <source>kit refused: </source>
        <translation>kit refused: </translation>
    </message>
    <message id="lp_kit_c0">
        <source>C0</source>
        <translation>C0</translation>
    </message>
    <message id="lp_kit_c1">
        <source>C1</source>
        <translation>C1</translation>
    </message>
    <message id="lp_kit_c2">
        <source>C2</source>
        <translation>C2</translation>
    </message>
    <message id="lp_kit_c3">
        <source>C3</source>
        <translation>C3</translation>
    </message>
    <message id="lp_kit_l0">
        <source>L0</source>
        <translation>L0</translation>
    </message>
    <message id="lp_kit_l1">
        <source>L1</source>
        <translation>L1</translation>
    </message>
    <message id="lp_kit_l2">
        <source>L2</source>
        <translation>L2</translation>
    </message>
    <message id="lp_kit_l3">
        <source>L3</source>
        <translation>L3</translation>
    </message>
    <message id="lp_kit_delay">
        <source>Delay</source>
        <translation>Delay</translation>
    </message>
    <message id="lp_kit_loss">
        <source>Loss</source>
        <translation>Loss</translation>
    </message>
    <message id="lp_kit_z0">
        <source>Z0</source>
        <translation>Z0</translation>
    </message>
    <message id="lp_kit_r">
        <source>R</source>
        <translation>R</translation>
    </message>
    <message id="lp_kit_l">
        <source>L</source>
        <translation>L</translation>
    </message>
    <message id="lp_kit_c">
        <source>C</source>
        <translation>C</translation>
    </message>
    <message id="lp_units_femtofarad">
        <source>fF</source>
        <translation>fF</translation>
    </message>
    <message id="lp_units_picohenry">
        <source>pH</source>
        <translation>pH</translation>
    </message>
    <message id="lp_units_gohm_per_sec">
        <source>GOhm/s</source>
        <translation>GOhm/s</translation>
    </message>
    <message id="lp_units_kit_c1">
        <source>× 1e-27 F/Hz</source>
        <translation>× 1e-27 F/Hz</translation>
    </message>
    <message id="lp_units_kit_c2">
        <source>× 1e-36 F/Hz²</source>
        <translation>× 1e-36 F/Hz²</translation>
    </message>
    <message id="lp_units_kit_c3">
        <source>× 1e-45 F/Hz³</source>
        <translation>× 1e-45 F/Hz³</translation>
    </message>
    <message id="lp_units_kit_l1">
        <source>× 1e-24 H/Hz</source>
        <translation>× 1e-24 H/Hz</translation>
    </message>
    <message id="lp_units_kit_l2">
        <source>× 1e-33 H/Hz²</source>
        <translation>× 1e-33 H/Hz²</translation>
    </message>
    <message id="lp_units_kit_l3">
        <source>× 1e-42 H/Hz³</source>
        <translation>× 1e-42 H/Hz³</translation>
    </message>
    <message id="lp_pcalib_kit_title">
        <source>Calibration kit and averaging</source>
        <translation>Calibration kit and averaging</translation>
    </message>
    <message id="lp_pcalib_kit">
        <source>Kit:</source>
        <translation>Kit:</translation>
    </message>
    <message id="lp_pcalib_kit_ideal">
        <source>Ideal</source>
        <translation>Ideal</translation>
    </message>
    <message id="lp_pcalib_btn_kit_edit">
        <source>Edit…</source>
        <translation>Edit…</translation>
    </message>
    <message id="lp_pcalib_average">
        <source>Sweeps per standard:</source>
        <translation>Sweeps per standard:</translation>
    </message>
    <message id="lp_pcalib_live_average">
        <source>Live trace average:</source>
        <translation>Live trace average:</translation>
    </message>
    <message id="lp_pcalib_live_average_off">
        <source>Off</source>
        <translation>Off</translation>
    </message>
    <message id="lp_pcalib_kit_refused">
        <source>kit not taken: </source>
        <translation>kit not taken: </translation>
    </message>
    <message id="lp_pcalib_kit_fallback">
        <source>back to the ideal kit: </source>
        <translation>back to the ideal kit: </translation>
    </message>
    <message id="lp_pcalib_captured_sweeps">
        <source>sweep %1 of %2 taken</source>
        <translation>sweep %1 of %2 taken</translation>
    </message>
    <message id="lp_pcalib_kit_in_use">
        <source>Calibration in use: %1</source>
        <translation>Calibration in use: %1</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_none">
        <source>none</source>
        <translation>none</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_factory">
        <source>factory</source>
        <translation>factory</translation>
    </message>
    <message id="lp_pcalib_kit_in_use_unrecorded">
        <source>kit not recorded</source>
        <translation>kit not recorded</translation>
    </message>
    <message id="lp_report_calibration_kit">
        <source>kit %1</source>
        <translation>kit %1</translation>
    </message>
    <message id="lp_report_average">
        <source>Averaging</source>
        <translation>Averaging</translation>
    </message>
    <message id="lp_report_average_sweeps">
        <source>running average of %1 sweeps</source>
        <translation>running average of %1 sweeps</translation>
    </message>
</context>
</TS>
