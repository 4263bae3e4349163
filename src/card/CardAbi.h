#pragma once
// The contract between Tessor and the card libraries ORVA, ORVB and ORVC:
// each model's export list in binding order, and the C signatures of the
// exports the driver calls. The simulated libraries in sim/ define exactly
// these exports with exactly these types.
//
// ORVA and ORVB take and report distances and positions as whole pulses
// (32-bit integers); ORVC as doubles. Speeds, accelerations, ratios, centres
// and angles are doubles for all three.

#include <cstdint>

// Export lists, in the order of the bindings' entries. X(name) per export.
#define TESSOR_ORVA_EXPORTS(X) \
  X(auto_set) X(init_board) X(get_max_axe) X(get_board_num) X(get_axe) X(set_outmode) \
  X(set_maxspeed) X(set_conspeed) X(get_conspeed) X(set_profile) X(get_profile) X(set_vector_conspeed) \
  X(set_vector_profile) X(get_vector_conspeed) X(get_vector_profile) X(get_rate) X(con_pmove) X(fast_pmove) \
  X(con_pmove2) X(fast_pmove2) X(con_pmove3) X(fast_pmove3) X(con_vmove) X(fast_vmove) \
  X(con_vmove2) X(fast_vmove2) X(con_vmove3) X(fast_vmove3) X(con_hmove) X(fast_hmove) \
  X(con_hmove2) X(fast_hmove2) X(con_hmove3) X(fast_hmove3) X(con_line2) X(con_line3) \
  X(fast_line2) X(fast_line3) X(sudden_stop) X(sudden_stop2) X(sudden_stop3) X(decel_stop) \
  X(decel_stop2) X(decel_stop3) X(set_abs_pos) X(reset_pos) X(reset_cmd_counter) X(set_dir) \
  X(enable_sd) X(set_sd_logic) X(set_el_logic) X(set_org_logic) X(set_alm_logic) X(get_abs_pos) \
  X(get_rel_pos) X(get_cur_dir) X(check_status) X(check_done) X(check_limit) X(check_home) \
  X(check_SD) X(check_alarm) X(get_cmd_counter) X(checkin_byte) X(checkin_bit) X(outport_bit) \
  X(outport_byte) X(set_backlash) X(start_backlash) X(end_backlash) X(change_speed) X(Outport) \
  X(Inport) X(get_lib_ver) X(get_sys_ver) X(get_card_ver)

#define TESSOR_ORVB_EXPORTS(X) \
  X(auto_set) X(init_board) X(get_max_axe) X(get_board_num) X(get_axe) X(set_outmode) \
  X(set_home_mode) X(set_maxspeed) X(set_conspeed) X(get_conspeed) X(set_profile) X(get_profile) \
  X(set_vector_conspeed) X(set_vector_profile) X(get_vector_conspeed) X(get_vector_profile) X(get_rate) X(con_pmove) \
  X(fast_pmove) X(con_pmove2) X(fast_pmove2) X(con_pmove3) X(fast_pmove3) X(con_pmove4) \
  X(fast_pmove4) X(con_vmove) X(fast_vmove) X(con_vmove2) X(fast_vmove2) X(con_vmove3) \
  X(fast_vmove3) X(con_vmove4) X(fast_vmove4) X(con_hmove) X(fast_hmove) X(con_hmove2) \
  X(fast_hmove2) X(con_hmove3) X(fast_hmove3) X(con_hmove4) X(fast_hmove4) X(con_line2) \
  X(con_line3) X(con_line4) X(fast_line2) X(fast_line3) X(fast_line4) X(change_pos) \
  X(sudden_stop) X(sudden_stop2) X(sudden_stop3) X(sudden_stop4) X(decel_stop) X(decel_stop2) \
  X(decel_stop3) X(decel_stop4) X(set_abs_pos) X(reset_pos) X(reset_enc_pos) X(reset_cmd_counter) \
  X(set_getpos_mode) X(set_encoder_mode) X(set_dir) X(enable_sd) X(enable_el) X(enable_org) \
  X(set_sd_logic) X(set_el_logic) X(set_org_logic) X(set_alm_logic) X(get_abs_pos) X(get_rel_pos) \
  X(get_encoder) X(get_cur_dir) X(check_status) X(check_done) X(check_limit) X(check_home) \
  X(check_SD) X(check_alarm) X(get_cmd_counter) X(checkin_byte) X(checkin_bit) X(outport_bit) \
  X(outport_byte) X(check_SFR) X(set_backlash) X(start_backlash) X(end_backlash) X(change_speed) \
  X(change_accel) X(Outport) X(Inport) X(set_ramp_flag) X(get_lib_ver) X(get_sys_ver) \
  X(get_card_ver) X(enable_io_pos) X(set_io_pos)

#define TESSOR_ORVC_EXPORTS(X) \
  X(auto_set) X(init_board) X(set_unit_flag) X(set_outmode) X(set_home_mode) X(set_dir) \
  X(enable_sd) X(enable_el) X(enable_org) X(enable_alm) X(set_sd_logic) X(set_el_logic) \
  X(set_org_logic) X(set_alm_logic) X(set_getpos_mode) X(set_encoder_mode) X(open_list) X(close_list) \
  X(add_list) X(start_lookahead) X(end_lookahead) X(set_maxspeed) X(set_conspeed) X(set_vector_conspeed) \
  X(set_profile) X(set_vector_profile) X(c_set_vector_profile) X(c_set_max_accel) X(c_set_multiple) X(c_set_curve_vertex) \
  X(set_ellipse_ratio) X(set_s_curve) X(set_s_section) X(set_abs_pos) X(reset_pos) X(set_unit) \
  X(set_steps_pr) X(set_enc_thread) X(con_pmove) X(con_pmove2) X(con_pmove3) X(con_pmove4) \
  X(con_pmove_to) X(fast_pmove) X(fast_pmove2) X(fast_pmove3) X(fast_pmove4) X(fast_pmove_to) \
  X(con_vmove) X(con_vmove2) X(con_vmove3) X(con_vmove4) X(fast_vmove) X(fast_vmove2) \
  X(fast_vmove3) X(fast_vmove4) X(con_hmove) X(con_hmove2) X(con_hmove3) X(con_hmove4) \
  X(fast_hmove) X(fast_hmove2) X(fast_hmove3) X(fast_hmove4) X(con_line2) X(con_line3) \
  X(con_line4) X(con_linen_to) X(fast_line2) X(fast_line3) X(fast_line4) X(fast_linen_to) \
  X(arc_center) X(arc_final) X(fast_arc_center) X(helical_move) X(sudden_stop) X(sudden_stop2) \
  X(sudden_stop3) X(sudden_stop4) X(sudden_stop_list) X(decel_stop) X(decel_stop2) X(decel_stop3) \
  X(decel_stop4) X(decel_stop_list) X(move_pause) X(move_pause_list) X(move_resume) X(move_resume_list) \
  X(delay_time) X(checkin_byte) X(checkin_bit) X(outport_bit) X(outport_byte) X(check_sfr) \
  X(check_sfr_bit) X(Outport) X(Inport) X(set_backlash) X(start_backlash) X(end_backlash) \
  X(set_watchdog_time) X(reset_watchdog) X(start_watchdog) X(stop_watchdog) X(get_watchdog_status) X(enable_io_pos) \
  X(set_poscmp_source) X(set_io_pos) X(enable_lock_enc) X(reset_locked_flag) X(get_locked_flag) X(get_locked_encoder) \
  X(enable_gear) X(enable_handwheel) X(enable_softlimit) X(set_softlimit) X(set_softlimit_data) X(check_softlimit) \
  X(enable_poserr_limit) X(set_poserr_limit) X(get_poserr_limit) X(enable_input_mode) X(set_im_deadband) X(enable_isr) \
  X(set_isr_routine) X(set_isr_factor) X(get_isr_event) X(set_ramp) X(change_speed) X(change_pos) \
  X(set_tan_flag) X(set_tan_initpos) X(set_tan_map) X(set_tan_axis) X(set_tan_profile) X(set_tan_stopangle) \
  X(set_tan_io) X(get_tan_lastpos) X(get_max_axe) X(get_board_num) X(get_axe) X(get_unit) \
  X(check_IC) X(get_abs_pos) X(get_rel_pos) X(get_encoder) X(get_done_source) X(get_cur_dir) \
  X(get_conspeed) X(get_vector_conspeed) X(get_profile) X(get_vector_profile) X(get_rate) X(check_status) \
  X(check_done) X(check_limit) X(check_home) X(check_SD) X(check_alarm) X(check_delay_status) \
  X(get_cmd_counter) X(reset_cmd_counter) X(set_cmd_counter) X(check_timer_num) X(get_err) X(get_last_err) \
  X(reset_err) X(get_lib_ver) X(get_sys_ver) X(get_card_ver)
namespace cardabi {

using Int = std::int32_t;

// Signatures of the exports the driver dispatches to, for a model whose
// distances and positions are `Dist` (Int for ORVA and ORVB, double for ORVC).
template <typename Dist>
struct Signatures {
  using auto_set = Int();
  using init_board = Int();
  using set_maxspeed = Int(Int axis, double speed);
  using set_conspeed = Int(Int axis, double speed);
  using set_profile = Int(Int axis, double startSpeed, double maxSpeed, double acceleration);
  using set_vector_conspeed = Int(double speed);
  using set_vector_profile = Int(double startSpeed, double maxSpeed, double acceleration);
  using reset_pos = Int(Int axis);
  using reset_enc_pos = Int(Int axis);
  using set_outmode = Int(Int axis, Int mode, Int level);
  using set_home_mode = Int(Int axis, Int mode);
  using set_getpos_mode = Int(Int axis, Int mode);
  using set_encoder_mode = Int(Int axis, Int mode, Int multiplier, Int countMode);
  using enable_sd = Int(Int axis, Int flag);
  using enable_el = Int(Int axis, Int flag);
  using enable_org = Int(Int axis, Int flag);
  using enable_alm = Int(Int axis, Int flag);
  using set_sd_logic = Int(Int axis, Int level);
  using set_el_logic = Int(Int axis, Int level);
  using set_org_logic = Int(Int axis, Int level);
  using set_alm_logic = Int(Int axis, Int level);
  using move1 = Int(Int axis, Dist distance);  // con_pmove, fast_pmove
  using move2 = Int(Int, Dist, Int, Dist);      // con_pmove2, fast_pmove2, con_line2, fast_line2
  using move3 = Int(Int, Dist, Int, Dist, Int, Dist);
  using move4 = Int(Int, Dist, Int, Dist, Int, Dist, Int, Dist);
  using vmove1 = Int(Int axis, Int direction);  // con_vmove, fast_vmove, fast_hmove
  using vmove2 = Int(Int, Int, Int, Int);
  using vmove3 = Int(Int, Int, Int, Int, Int, Int);
  using vmove4 = Int(Int, Int, Int, Int, Int, Int, Int, Int);  // also fast_hmove4
  using open_list = Int();
  using close_list = Int();
  using set_ellipse_ratio = Int(double ratio);
  using arc = Int(Int axis1, Int axis2, double centre1, double centre2, double angle);  // arc_center, fast_arc_center
  using stop1 = Int(Int axis);  // sudden_stop, decel_stop
  using stop_list = Int();      // sudden_stop_list, decel_stop_list
  using outport_bit = Int(Int card, Int bit, Int level);
  using checkin_bit = Int(Int card, Int bit);
  using get_rate = double(Int axis);
  using get_abs_pos = Int(Int axis, Dist* position);
  using get_encoder = Int(Int axis, Int* count);
  using query1 = Int(Int axis);  // check_done, check_limit, check_home, check_SD, check_alarm, get_cur_dir
  using get_lib_ver = Int(Int* major, Int* minor, Int* release);
  using get_sys_ver = Int(Int* major, Int* minor, Int* release);
  using get_card_ver = Int(Int card, Int* type, Int* major, Int* minor, Int* release);
  // Carried for ORVC, called by nothing yet; arguments pass through unchanged.
  using move_pause = Int(Int value);
  using move_resume = Int(Int value);
  using enable_input_mode = Int(Int axis, Int flag);
  using set_im_deadband = Int(Int axis, Int band);
  using set_steps_pr = Int(Int axis, Int steps);
  using set_enc_thread = Int(Int axis, Int threshold);
};

using SignaturesA = Signatures<Int>;
using SignaturesB = Signatures<Int>;
using SignaturesC = Signatures<double>;

}  // namespace cardabi
